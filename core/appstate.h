#pragma once

#include "core/datafolder.h"
#include "core/slipcounter.h"

// The state the program shares for its whole run, owned by the application and handed to whoever needs it.
struct AppState
{
    explicit AppState(DataFolder dataFolder)
        : folder(std::move(dataFolder))
    {}

    DataFolder folder;
    SlipCounter slipCounter;
};
