#pragma once

class DataFolder;
class Settings;

// The data folder and the loaded settings: what most windows take of the program's state. It is made from any
// state object with members of these names (the application's, or a test's).
struct FolderAndSettings
{
    const DataFolder &folder;
    const Settings &settings;
    template <typename State>
    FolderAndSettings(State &state)
        : folder(state.folder)
        , settings(state.settings)
    {}
};
