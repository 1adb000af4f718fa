#pragma once

#include "DaoConstants.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <cstdint>
#include <variant>

namespace levy {

// A money amount: a signed count of ten-thousandths, never floating point.
struct Currency {
    int64_t tenThousandths = 0;
    static Currency FromUnits(int64_t units) { return Currency{units * 10000}; }
    bool operator==(const Currency&) const = default;
    auto operator<=>(const Currency&) const = default;
    // Plain decimal text without grouping or trailing zeros: 1234.5, -17, 0.
    QString ToText() const;
    // The same characters into `out`, which has room for maxTextLength; returns how many.
    static constexpr int maxTextLength = 26;
    int WriteText(char* out) const;
};

// A date and time of day without a time zone, to the second.
struct DateTime {
    QDate date;
    QTime time{0, 0};
    bool operator==(const DateTime&) const = default;
    bool HasTimeOfDay() const { return time != QTime(0, 0); }
    // Days since 30 December 1899, with the time of day as the fraction.
    double Serial() const;
    // The stored form: "YYYY-MM-DD HH:MM:SS".
    QString ToStorageText() const;
    static std::optional<DateTime> FromStorageText(const QString& text);
};

// A field value; Null when empty.
class Value {
public:
    struct Null {
        bool operator==(const Null&) const = default;
    };
    using Storage = std::variant<Null, bool, int64_t, Currency, double, DateTime, QString>;

    Value() = default;
    Value(Null) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(int64_t{i}) {}
    Value(int64_t i) : v_(i) {}
    Value(Currency c) : v_(c) {}
    Value(double d) : v_(d) {}
    Value(DateTime d) : v_(d) {}
    Value(const QString& s) : v_(s) {}
    Value(const char16_t* s) : v_(QString::fromUtf16(s)) {}

    bool IsNull() const { return std::holds_alternative<Null>(v_); }
    bool IsText() const { return std::holds_alternative<QString>(v_); }
    bool IsInteger() const { return std::holds_alternative<int64_t>(v_); }
    bool IsBoolean() const { return std::holds_alternative<bool>(v_); }
    bool IsCurrency() const { return std::holds_alternative<Currency>(v_); }
    bool IsDouble() const { return std::holds_alternative<double>(v_); }
    bool IsDate() const { return std::holds_alternative<DateTime>(v_); }

    // Reading a Null as text fails with a run-time error, as reading an empty field does.
    QString AsText() const;
    int64_t AsInteger() const;
    bool AsBoolean() const;
    Currency AsCurrency() const;
    double AsDouble() const;
    DateTime AsDate() const;

    // The value converted to text in the ordinary way (Null gives an empty text).
    QString ToDisplayText() const;

    const Storage& Raw() const { return v_; }
    bool operator==(const Value&) const = default;

private:
    Storage v_;
};

} // namespace levy
