#include "SampleData.h"

namespace levy::sample {
namespace {

constexpr ClassInfo classes[] = {
    {u"1A", 1, u"Mrs. Eleanor Whitcombe", 0},
    {u"1B", 1, u"Mr. David Ashworth", -25000},
    {u"1C", 1, u"Miss Rachel Penrose", 0},
    {u"2A", 2, u"Mr. Thomas Halloway", -50000},
    {u"2B", 2, u"Mrs. Janet Okafor", 10000},
    {u"2C", 2, u"Mr. Graham Fairley", 0},
    {u"3A", 3, u"Dr. Susan Caldwell", -75000},
    {u"3B", 3, u"Mr. Peter Brannigan", -25000},
    {u"3C", 3, u"Mrs. Angela Moorcroft", 5000},
    {u"4A", 4, u"Mr. Richard Ellsworth", -100000},
    {u"4B", 4, u"Ms. Catherine Doyle", 0},
    {u"4C", 4, u"Mr. Andrew Pemberton", 20000},
};

constexpr FeeInfo fees[] = {
    {feeTuition, u"Tuition"},
    {feeDevelopmentLevy, u"Development Levy"},
    {feeSportsLevy, u"Sports Levy"},
    {feeLibrary, u"Library"},
    {feeExamination, u"Examination Fee"},
    {feeScienceLaboratory, u"Science Laboratory"},
    {feeComputerStudies, u"Computer Studies"},
    {feeMusicTuition, u"Music Tuition"},
    {feeFieldTrip, u"Field Trip"},
    {feeBoarding, u"Boarding"},
};

constexpr ChargeInfo charges[] = {
    {u"Lost library book", u"LIB", 1250, 3200, 22},
    {u"Damaged textbook", u"LIB", 800, 1800, 14},
    {u"Broken window pane", u"DMG", 3500, 6500, 9},
    {u"Damaged desk", u"DMG", 4000, 9000, 6},
    {u"Laboratory breakage", u"LAB", 600, 4500, 14},
    {u"Lost locker key", u"KEY", 500, 500, 12},
    {u"Lost sports kit", u"SPT", 1800, 3500, 8},
    {u"Damaged calculator", u"DMG", 1500, 2500, 5},
    {u"Unreturned art materials", u"ART", 700, 1500, 5},
};

constexpr ChargeInfo heavyCharges[] = {
    {u"Broken overhead projector", u"DMG", 28500, 28500, 1},
    {u"Damaged microscope", u"LAB", 24000, 24000, 1},
    {u"Broken science bench", u"DMG", 31000, 31000, 1},
};

constexpr const char16_t* surnames[] = {
    u"Smith",      u"Jones",     u"Taylor",    u"Brown",     u"Williams",   u"Wilson",       u"Johnson",
    u"Davies",     u"Robinson",  u"Wright",    u"Thompson",  u"Evans",      u"Walker",       u"White",
    u"Roberts",    u"Green",     u"Hall",      u"Wood",      u"Jackson",    u"Clarke",       u"Harris",
    u"Lewis",      u"Martin",    u"Cooper",    u"King",      u"Baker",      u"Turner",       u"Hill",
    u"Morris",     u"Ward",      u"Moore",     u"Parker",    u"Carter",     u"Bennett",      u"Cook",
    u"Hughes",     u"Edwards",   u"Collins",   u"Mitchell",  u"Bailey",     u"Kelly",        u"Murphy",
    u"O'Brien",    u"O'Connor",  u"Campbell",  u"Stewart",   u"MacDonald",  u"Fraser",       u"Graham",
    u"Richardson", u"Harrison",  u"Marshall",  u"Fletcher",  u"Holmes",     u"Lawrence",     u"Chapman",
    u"Mason",      u"Barnes",    u"Knight",    u"Palmer",    u"Fox",        u"Russell",      u"Webb",
    u"Gibson",     u"Henderson", u"Mills",     u"Patel",     u"Okonkwo",    u"Mensah",       u"Nguyen",
    u"D'Souza",    u"Achterberg", u"Pryce",    u"Lloyd",     u"Vaughan",    u"Hughes-Parry", u"Ellison",
    u"Whitaker",   u"Sutherland", u"Rowe",     u"Booth",     u"Dixon",      u"Fitzgerald",   u"Quinn",
};

constexpr const char16_t* boys[] = {
    u"James",  u"Oliver",   u"Thomas",    u"William", u"Jack",   u"Harry",   u"George",  u"Samuel",
    u"Daniel", u"Joseph",   u"Benjamin",  u"Matthew", u"Luke",   u"Ethan",   u"Alexander", u"Noah",
    u"Charlie", u"Henry",   u"Adam",      u"Ryan",    u"Nathan", u"Callum",  u"Liam",    u"Owen",
    u"Lewis",  u"Aaron",    u"Isaac",     u"Joshua",  u"Edward", u"Michael", u"Christopher", u"Dylan",
    u"Kieran", u"Reuben",   u"Toby",      u"Finn",    u"Jacob",  u"Elliot",  u"Max",     u"Patrick",
    u"Kwame",  u"Rohan",    u"Declan",    u"Hugh",    u"Simon",  u"Peter",
};

constexpr const char16_t* girls[] = {
    u"Olivia",  u"Emily",   u"Sophie",  u"Jessica",  u"Chloe",    u"Grace",   u"Lucy",    u"Charlotte",
    u"Hannah",  u"Ella",    u"Amelia",  u"Mia",      u"Isabelle", u"Ruby",    u"Lily",    u"Megan",
    u"Holly",   u"Freya",   u"Evie",    u"Abigail",  u"Rebecca",  u"Katie",   u"Lauren",  u"Zoe",
    u"Phoebe",  u"Alice",   u"Eleanor", u"Niamh",    u"Imogen",   u"Amy",     u"Rosie",   u"Bethany",
    u"Georgia", u"Leah",    u"Caitlin", u"Martha",   u"Harriet",  u"Esther",  u"Anna",    u"Molly",
    u"Ama",     u"Priya",   u"Siobhan", u"Frances",  u"Joy",      u"Elizabeth",
};

constexpr const char16_t* initials[] = {
    u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"J", u"K", u"L", u"M",
    u"N", u"P", u"R", u"S", u"T", u"V", u"W", u"J", u"M", u"S", u"A", u"D",
};

constexpr const char16_t* streets[] = {
    u"Larch Avenue",   u"Church Lane",    u"Mill Road",       u"Station Road",  u"Victoria Street",
    u"Orchard Close",  u"Kingsway",       u"Meadow View",     u"Elm Grove",     u"High Street",
    u"Park Crescent",  u"Queen's Road",   u"Willow Drive",    u"The Green",     u"Beacon Hill",
    u"Harbour Road",   u"Fernside Way",   u"Chapel Street",   u"Rosemary Court", u"Hawthorn Rise",
    u"Cedar Gardens",  u"Brook Street",   u"Nelson Terrace",  u"Foxglove Close", u"St. Mary's Walk",
    u"Marlborough Road", u"Quarry Lane",  u"Bridge End",      u"Sycamore Way",  u"Westfield Avenue",
};

constexpr const char16_t* suburbs[] = {
    u"Northfield", u"Eastbrook", u"Hillcrest", u"Riverside", u"Westmoor",
    u"Kingsmead",  u"Old Town",  u"Southgate", u"Lower Ashcombe", u"Abbots Green",
};

constexpr const char16_t* houses[] = {
    u"Highfield Farm",   u"The Old Rectory",  u"Rose Cottage", u"Ivy House",
    u"Mill House",       u"Keeper's Cottage", u"Greystones",   u"Woodlands",
    u"Lower Barton Farm", u"The Laurels",
};

} // namespace

std::span<const ClassInfo> Classes() { return classes; }
std::span<const FeeInfo> RegisteredFees() { return fees; }
std::span<const ChargeInfo> CautionCharges() { return charges; }
std::span<const ChargeInfo> HeavyCautionCharges() { return heavyCharges; }
std::span<const char16_t* const> Surnames() { return surnames; }
std::span<const char16_t* const> BoysNames() { return boys; }
std::span<const char16_t* const> GirlsNames() { return girls; }
std::span<const char16_t* const> Initials() { return initials; }
std::span<const char16_t* const> Streets() { return streets; }
std::span<const char16_t* const> Suburbs() { return suburbs; }
std::span<const char16_t* const> HouseNames() { return houses; }

} // namespace levy::sample
