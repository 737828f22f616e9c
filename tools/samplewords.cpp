#include "tools/samplewords.h"

#include <array>

namespace {

constexpr std::array kFirstNames = {
    "James",     "Mary",     "Robert",    "Patricia", "John",     "Jennifer", "Michael",  "Linda",     "David",
    "Elizabeth", "William",  "Barbara",   "Richard",  "Susan",    "Joseph",   "Jessica",  "Thomas",    "Sarah",
    "Charles",   "Karen",    "Daniel",    "Lisa",     "Matthew",  "Nancy",    "Anthony",  "Betty",     "Mark",
    "Sandra",    "Donald",   "Ashley",    "Steven",   "Kimberly", "Paul",     "Emily",    "Andrew",    "Donna",
    "Joshua",    "Michelle", "Kenneth",   "Carol",    "Kevin",    "Amanda",   "Brian",    "Melissa",   "George",
    "Deborah",   "Timothy",  "Stephanie", "Ronald",   "Rebecca",  "Jason",    "Laura",    "Edward",    "Sharon",
    "Jeffrey",   "Cynthia",  "Ryan",      "Kathleen", "Jacob",    "Amy",      "Gary",     "Angela",    "Nicholas",
    "Shirley",   "Eric",     "Anna",      "Jonathan", "Brenda",   "Stephen",  "Pamela",   "Larry",     "Emma",
    "Justin",    "Nicole",   "Scott",     "Helen",    "Brandon",  "Samantha", "Benjamin", "Katherine", "Samuel",
    "Christine", "Gregory",  "Debra",     "Frank",    "Rachel",   "Raymond",  "Carolyn",  "Dennis",    "Janet",
    "Walter",    "Maria",    "Peter",     "Heather",  "Harold",   "Diane",    "Douglas",  "Julie",     "Henry",
    "Joyce",
};

constexpr std::array kLastNames = {
    "Smith",    "Johnson",   "Williams", "Brown",     "Jones",    "Garcia",   "Miller",   "Davis",      "Rodriguez",
    "Martinez", "Hernandez", "Lopez",    "Gonzalez",  "Wilson",   "Anderson", "Thomas",   "Taylor",     "Moore",
    "Jackson",  "Martin",    "Lee",      "Perez",     "Thompson", "White",    "Harris",   "Sanchez",    "Clark",
    "Ramirez",  "Lewis",     "Robinson", "Walker",    "Young",    "Allen",    "King",     "Wright",     "Scott",
    "Torres",   "Nguyen",    "Hill",     "Flores",    "Green",    "Adams",    "Nelson",   "Baker",      "Hall",
    "Rivera",   "Campbell",  "Mitchell", "Carter",    "Roberts",  "Gomez",    "Phillips", "Evans",      "Turner",
    "Diaz",     "Parker",    "Cruz",     "Edwards",   "Collins",  "Reyes",    "Stewart",  "Morris",     "Morales",
    "Murphy",   "Cook",      "Rogers",   "Gutierrez", "Ortiz",    "Morgan",   "Cooper",   "Peterson",   "Bailey",
    "Reed",     "Kelly",     "Howard",   "Ramos",     "Kim",      "Cox",      "Ward",     "Richardson", "Watson",
    "Brooks",   "Chavez",    "Wood",     "James",     "Bennett",  "Gray",     "Mendoza",  "Ruiz",       "Hughes",
    "Price",    "Alvarez",   "Castillo", "Sanders",   "Patel",    "Myers",    "Long",     "Ross",       "Foster",
    "O'Brien",  "McCarthy",  "Sullivan", "Kowalski",  "Schmidt",  "Novak",    "Larsen",   "Dubois",     "Moreau",
};

constexpr std::array kStreetNames = {
    "Oak",          "Maple",    "Cedar",     "Pine",     "Elm",       "Washington", "Lake",     "Hill",
    "Main",         "Park",     "Walnut",    "Sunset",   "Jefferson", "Lincoln",    "Madison",  "Franklin",
    "Highland",     "Chestnut", "Willow",    "Meadow",   "Ridge",     "River",      "Spring",   "Church",
    "Mill",         "Forest",   "Valley",    "Dogwood",  "Magnolia",  "Hickory",    "Sycamore", "Birch",
    "Country Club", "Orchard",  "Prospect",  "Jackson",  "Adams",     "Monroe",     "Wilson",   "Center",
    "Hillcrest",    "Fairview", "Greenwood", "Lakeview", "Mulberry",  "Poplar",     "Cherry",   "Laurel",
};

constexpr std::array kStreetSuffixes = {"St", "Ave", "Rd", "Dr", "Ln", "Ct", "Blvd", "Way", "Pl", "Cir", "Pkwy", "Ter"};

constexpr std::array<SampleWords::City, 40> kCities = {{
    {"Springfield", "IL", "627", "217"},  {"Peoria", "IL", "616", "309"},      {"Naperville", "IL", "605", "630"},
    {"Madison", "WI", "537", "608"},      {"Green Bay", "WI", "543", "920"},   {"Columbus", "OH", "432", "614"},
    {"Dayton", "OH", "454", "937"},       {"Akron", "OH", "443", "330"},       {"Indianapolis", "IN", "462", "317"},
    {"Fort Wayne", "IN", "468", "260"},   {"Lansing", "MI", "489", "517"},     {"Grand Rapids", "MI", "495", "616"},
    {"Louisville", "KY", "402", "502"},   {"Lexington", "KY", "405", "859"},   {"Nashville", "TN", "372", "615"},
    {"Knoxville", "TN", "379", "865"},    {"Charlotte", "NC", "282", "704"},   {"Raleigh", "NC", "276", "919"},
    {"Greenville", "SC", "296", "864"},   {"Atlanta", "GA", "303", "404"},     {"Savannah", "GA", "314", "912"},
    {"Tallahassee", "FL", "323", "850"},  {"Orlando", "FL", "328", "407"},     {"Birmingham", "AL", "352", "205"},
    {"Jackson", "MS", "392", "601"},      {"Little Rock", "AR", "722", "501"}, {"Tulsa", "OK", "741", "918"},
    {"Wichita", "KS", "672", "316"},      {"Omaha", "NE", "681", "402"},       {"Des Moines", "IA", "503", "515"},
    {"Cedar Rapids", "IA", "524", "319"}, {"Saint Paul", "MN", "551", "651"},  {"Fargo", "ND", "581", "701"},
    {"Boise", "ID", "837", "208"},        {"Spokane", "WA", "992", "509"},     {"Salem", "OR", "973", "503"},
    {"Reno", "NV", "895", "775"},         {"Albuquerque", "NM", "871", "505"}, {"El Paso", "TX", "799", "915"},
    {"San Antonio", "TX", "782", "210"},
}};

constexpr std::array kBusinessKinds = {
    "Dental Group", "Family Medicine", "Law Office",   "Properties LLC",  "Auto Repair",
    "Bakery",       "Insurance",       "Realty",       "Hardware",        "Veterinary Clinic",
    "Print Shop",   "Florist",         "Pharmacy",     "Grill",           "Cafe",
    "Market",       "Motel",           "Apartments",   "Storage",         "Fitness Center",
    "Day Care",     "Accounting",      "Chiropractic", "Hair Salon",      "Dry Cleaners",
    "Tire & Lube",  "Pizza",           "Church",       "Animal Hospital", "Builders Inc",
};

constexpr std::array kTrades = {"Electric",   "Plumbing", "Heating & Air", "Roofing", "Drywall",
                                "Excavating", "Concrete", "Glass Co",      "Septic",  "Tree Service"};

constexpr std::array kEmailDomains = {"gmail.com", "yahoo.com",  "outlook.com", "aol.com",    "comcast.net",
                                      "att.net",   "icloud.com", "charter.net", "hotmail.com"};

constexpr std::array kServices = {
    "Furnace Tune-Up",
    "Furnace Repair",
    "Furnace Install",
    "A/C Tune-Up",
    "A/C Repair",
    "A/C Install",
    "Heat Pump Service",
    "Thermostat Install",
    "Duct Cleaning",
    "Filter Change",
    "Boiler Service",
    "Water Heater Repair",
    "Water Heater Install",
    "Tankless Heater Flush",
    "Drain Cleaning",
    "Sewer Line Camera",
    "Sewer Line Repair",
    "Toilet Repair",
    "Toilet Install",
    "Faucet Repair",
    "Faucet Install",
    "Garbage Disposal",
    "Sump Pump Replace",
    "Leak Detection",
    "Pipe Repair",
    "Gas Line Check",
    "Outlet Repair",
    "GFCI Outlet Install",
    "Light Fixture Install",
    "Ceiling Fan Install",
    "Panel Upgrade",
    "Breaker Replace",
    "Whole House Surge",
    "Smoke Detector Install",
    "Generator Service",
    "EV Charger Install",
    "Dryer Vent Cleaning",
    "Washer Repair",
    "Dryer Repair",
    "Refrigerator Repair",
    "Dishwasher Repair",
    "Oven Repair",
    "Microwave Install",
    "Ice Maker Repair",
    "Garage Door Repair",
    "Garage Opener Install",
    "Window Repair",
    "Door Lock Rekey",
    "Gutter Cleaning",
    "Roof Leak Repair",
    "Drywall Patch",
    "Interior Painting",
    "Pressure Washing",
    "Deck Repair",
    "Fence Repair",
    "Sprinkler Startup",
    "Sprinkler Winterize",
    "Pest Inspection",
    "Mold Inspection",
    "Home Safety Check",
    "Service Call",
    "Diagnostic Fee",
    "Maintenance Plan Visit",
    "Emergency Call Out",
};

constexpr std::array kServiceVariants = {" - Commercial", " - After Hours", " - Second Unit"};

constexpr std::array kProblems = {
    "Customer reports no heat upstairs.",
    "Unit runs but blows warm air.",
    "Water leaking under the kitchen sink.",
    "Breaker trips when the microwave runs.",
    "Loud banging noise from the furnace at start-up.",
    "Basement floor drain backs up after heavy rain.",
    "Toilet in the hall bath runs constantly.",
    "No hot water since yesterday evening.",
    "Outlets in the garage are dead.",
    "Thermostat screen is blank.",
    "Garage door stops halfway and reverses.",
    "Dishwasher does not drain.",
    "Refrigerator is not cooling; freezer is fine.",
    "Smell of gas near the water heater. Customer left the house.",
    "Annual maintenance per service agreement.",
    "Customer asks for an estimate before any work.",
    "Tenant will let the technician in; call the office first.",
    "Dog in the yard - call before entering the gate.",
    "Gate code 1234. Park in the driveway.",
    "Repeat visit: same problem as last month.",
    "Ice forming on the outdoor unit.",
    "Flickering lights in the dining room.",
    "Sump pump alarm sounding.",
    "Slow drains in both bathrooms.",
    "Roof leak over the back bedroom after storms.",
    "Customer is elderly; please allow extra time.",
    "New construction: rough-in inspection Friday.",
    "Warranty work - bring the invoice copy.",
};

} // namespace

namespace SampleWords {

std::span<const char *const> firstNames()
{
    return kFirstNames;
}
std::span<const char *const> lastNames()
{
    return kLastNames;
}
std::span<const char *const> streetNames()
{
    return kStreetNames;
}
std::span<const char *const> streetSuffixes()
{
    return kStreetSuffixes;
}
std::span<const City> cities()
{
    return kCities;
}
std::span<const char *const> businessKinds()
{
    return kBusinessKinds;
}
std::span<const char *const> trades()
{
    return kTrades;
}
std::span<const char *const> emailDomains()
{
    return kEmailDomains;
}
std::span<const char *const> services()
{
    return kServices;
}
std::span<const char *const> serviceVariants()
{
    return kServiceVariants;
}
std::span<const char *const> problems()
{
    return kProblems;
}

} // namespace SampleWords
