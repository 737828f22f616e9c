#pragma once

#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/customerrecord.h"
#include "core/datafolder.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "phone/phonetokens.h"

#include <memory>

// The state the program shares for its whole run, owned by the application and handed to whoever needs it.
struct AppState
{
    explicit AppState(DataFolder dataFolder)
        : folder(std::move(dataFolder))
    {}

    DataFolder folder;
    SlipCounter slipCounter;
    Settings settings;
    // The one customer record and the one assignment record every customer and assignment read and write
    // passes through; the customer a new slip is written for is the current customer.
    Record currentCustomer{customerLayout()};
    Record currentAssignment{assignmentLayout()};
    bool usaAddressStyle = true;     // the address style the setup screen chose, for the address screens
    AssignmentLists assignmentLists; // the pick lists of the board, slip creation and the schedules
    // The phones paired with technicians, made by the application once the folder is known; the phone server
    // and the assignments screen share it. None in a state made without it (the pairing is then not offered).
    std::unique_ptr<PhoneTokens> phoneTokens;
    // Filled by the phone server while it runs: the page's address and its certificate's fingerprint. Empty: the
    // phone page is off.
    QString phonePageAddress;
    QString phoneFingerprint;
};
