#pragma once

#include "core/recordlayout.h"

#include <QString>
#include <optional>

class Clock;
class DataFolder;
class SlipCounter;

// The record of a new slip before slip creation fills in the customer, the site and the service: received
// today (no time of day), "Open" and unassigned, no date ("0"), no time ("None"), priority "Normal", the
// amount zero as currency ("$0.00"), no invoice number and no payment form.
Record newSlipRecord(const Clock &clock);

// Gives the slip to an assignment ("Assigned"), or to none for an empty name ("Open").
void assignNewSlip(Record &slip, const QString &assignment);

// Stores a new slip: its number becomes the slip counter, it is appended to /ServiceSlips.txt and the counter
// moves on (saved at once). When the counter has reached its end nothing is stored and the refusal for the
// user is returned. A slip that could not be stored throws DiskError and leaves the counter as it was; when
// only the counter file could not be written the slip is kept, the counter still moves on in memory (its
// number is taken) and the DiskError says so.
std::optional<QString> createSlip(const DataFolder &folder, SlipCounter &counter, Record &slip);
