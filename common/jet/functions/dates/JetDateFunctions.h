#pragma once

// Dates and times.

namespace levy::jet {

struct Call;

void Year(const Call&);
void Month(const Call&);
void Day(const Call&);
void Weekday(const Call&);
void Hour(const Call&);
void Minute(const Call&);
void Second(const Call&);
void DatePart(const Call&);
void DateSerial(const Call&);
void DateAdd(const Call&);
void DateDiff(const Call&);
void NowFunction(const Call&);
void DateFunction(const Call&);
void TimeFunction(const Call&);
void DateValue(const Call&);
void TimeValue(const Call&);
void WeekdayName(const Call&);
void MonthName(const Call&);
void TimeSerial(const Call&);
void Timer(const Call&);

} // namespace levy::jet
