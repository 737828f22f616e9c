#include "core/startmenustate.h"

#include "core/datafolder.h"

StartMenuState startMenuState(const DataFolder &folder)
{
    StartMenuState state;
    if (!folder.fileExists(QStringLiteral("/Services.txt"))) {
        state.instruction = StartMenuState::Instruction::CreateService;
        return state;
    }
    if (!folder.fileExists(QStringLiteral("/AssignmentData.txt"))) {
        state.instruction = StartMenuState::Instruction::CreateAssignment;
        return state;
    }
    state.manageSlips = folder.fileExists(QStringLiteral("/ServiceSlips.txt"));
    state.completeSlips = folder.fileExists(QStringLiteral("\\CompletedServiceSlips.txt"));
    return state;
}
