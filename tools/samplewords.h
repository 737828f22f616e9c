#pragma once

#include <span>

// The word lists the sample-data generator draws its names, places and jobs from.
namespace SampleWords {

struct City
{
    const char *name;
    const char *state;
    const char *zipPrefix; // the first three digits of its postal codes
    const char *areaCode;
};

std::span<const char *const> firstNames(); // a man's name at each even index, a woman's at each odd one
std::span<const char *const> lastNames();
std::span<const char *const> streetNames();
std::span<const char *const> streetSuffixes();
std::span<const City> cities();
std::span<const char *const> businessKinds(); // "Dental Group": follows a last name or a street name
std::span<const char *const> trades();        // "Electric": a sub-contractor's firm follows a last name with it
std::span<const char *const> emailDomains();
std::span<const char *const> services();        // catalogue descriptions
std::span<const char *const> serviceVariants(); // appended to a description to make more of them
std::span<const char *const> problems();        // what the customer reports, a sentence each

} // namespace SampleWords
