#pragma once

class DataFolder;

// What the start menu offers, from the data that exists: services first, then assignments, then slips.
struct StartMenuState
{
    enum class Instruction { None, CreateService, CreateAssignment };
    Instruction instruction = Instruction::None;
    bool manageSlips = false;   // "Manage Service Slips" and "Locate All Assignments"
    bool completeSlips = false; // "Complete Service Attentions "
};

StartMenuState startMenuState(const DataFolder &folder);
