#pragma once

#include <cstdint>
#include <span>

// The fixed tables from which the sample levy database is drawn. Amounts are in cents.
namespace levy::sample {

struct ClassInfo {
    const char16_t* name;
    int form;
    const char16_t* formTeacher;
    int64_t minimumBalanceCents;
};

struct FeeInfo {
    int code;
    const char16_t* name;
};

// The registered fees, by code.
enum FeeCode : int {
    feeTuition = 1,
    feeDevelopmentLevy = 2,
    feeSportsLevy = 3,
    feeLibrary = 4,
    feeExamination = 5,
    feeScienceLaboratory = 6,
    feeComputerStudies = 7,
    feeMusicTuition = 8,
    feeFieldTrip = 9,
    feeBoarding = 10,
};

// What each fee costs per term (the development levy and the one-off fees once a year).
inline constexpr int64_t tuitionLowerFormsCents = 118000;
inline constexpr int64_t tuitionUpperFormsCents = 132500;
inline constexpr int64_t developmentLevyCents = 15000;
inline constexpr int64_t sportsLevyCents = 4550;
inline constexpr int64_t libraryCents = 2500;
inline constexpr int64_t examinationCents = 21075;
inline constexpr int64_t scienceLaboratoryCents = 6000;
inline constexpr int64_t computerStudiesCents = 7500;
inline constexpr int64_t musicTuitionCents = 12000;
inline constexpr int64_t fieldTripCents = 8525;
inline constexpr int64_t boardingCents = 95000;

inline constexpr int64_t cautionDepositCents = 20000;

// A kind of charge against a caution-fee deposit.
struct ChargeInfo {
    const char16_t* reason;
    const char16_t* referencePrefix;
    int64_t lowCents;
    int64_t highCents;
    int weight;
};

std::span<const ClassInfo> Classes();
std::span<const FeeInfo> RegisteredFees();
std::span<const ChargeInfo> CautionCharges();
// Charges above the deposit, so that a few deposit accounts end overdrawn.
std::span<const ChargeInfo> HeavyCautionCharges();

std::span<const char16_t* const> Surnames();
std::span<const char16_t* const> BoysNames();
std::span<const char16_t* const> GirlsNames();
std::span<const char16_t* const> Initials();
std::span<const char16_t* const> Streets();
std::span<const char16_t* const> Suburbs();
std::span<const char16_t* const> HouseNames();

// The town of the school, and the letters its postcodes use.
inline constexpr const char16_t* town = u"Ashcombe";
inline constexpr const char16_t* postcodeArea = u"AC";
inline constexpr const char16_t* postcodeLetters = u"ABDEFGHJLNPQRSTUWXYZ";

} // namespace levy::sample
