// The results grid's text for any value in a column of any field type, as the engine may
// hand it over (a column holds values of every kind). The first byte chooses the field
// type, the second the kind of value; the rest is the value. A cell never fails: a value
// its column's type reads shows by that type's rule, any other as its own text.

#include "FuzzSupport.h"

#include "results/ResultCellText.h"
#include "export/GridColours.h"
#include "values/DaoConstants.h"

#include <QRegularExpression>
#include <cstring>

using namespace levy;
using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int fieldTypes[] = {dbBoolean, dbByte, dbInteger, dbLong, dbCurrency, dbSingle,
                              dbDouble,  dbDate, dbBinary,  dbText, dbMemo};

int64_t Integer(const uint8_t* data, size_t size)
{
    int64_t n = 0;
    std::memcpy(&n, data, std::min(size, sizeof n));
    return n;
}

Value ValueOf(uint8_t kind, const uint8_t* data, size_t size)
{
    switch (kind % 7) {
    case 0: return Value(Value::Null{});
    case 1: return Value(size > 0 && data[0] != 0);
    case 2: return Value(Integer(data, size));
    case 3: return Value(Currency{Integer(data, size)});
    case 4: {
        double d = 0;
        std::memcpy(&d, data, std::min(size, sizeof d));
        return Value(d);
    }
    case 5: {
        // A date and time as the engine stores them, read back as the grid gets them.
        if (auto d = DateTime::FromStorageText(fuzz::TextOf(data, size)))
            return Value(*d);
        return Value(fuzz::TextOf(data, size));
    }
    default: return Value(fuzz::TextOf(data, size));
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int type = fieldTypes[data[0] % std::size(fieldTypes)];
    const Value value = ValueOf(data[1], data + 2, size - 2);
    const ResultCellText cell = FormatResultCell(value, type);
    if (value.IsNull()) {
        LEVY_REQUIRE(cell.text.isEmpty() && cell.setsColour && cell.colour == gridNormalColour, "Null shows nothing");
        return 0;
    }
    if (type == dbCurrency && value.IsCurrency()) {
        LEVY_REQUIRE(cell.setsColour && cell.colour == (value.AsCurrency().tenThousandths < 0 ? gridRed : gridBlue),
                     "an amount is red or blue", cell.text);
        LEVY_REQUIRE(!cell.text.contains(u'-'), "an amount shows its magnitude", cell.text);
    }
    if ((type == dbInteger || type == dbLong) && value.IsInteger())
        LEVY_REQUIRE(cell.text == QString::number(value.AsInteger()) + u"  "_s, "a whole number and two blanks", cell.text);
    if (type == dbBoolean && value.IsBoolean())
        LEVY_REQUIRE(cell.text == (value.AsBoolean() ? u"Yes"_s : u"No"_s), "Yes or No", cell.text);
    if (type == dbDate && value.IsDate()) {
        static const QRegularExpression shape(u"^\\d\\d/\\d\\d/-?\\d{1,}( \\d\\d:\\d\\d)?$"_s);
        LEVY_REQUIRE(shape.match(cell.text).hasMatch(), "dd/mm/yyyy with hh:mm", cell.text);
    }
    if (value.IsText() && (type == dbText || type == dbMemo || type == dbBinary))
        LEVY_REQUIRE(cell.text == value.AsText(), "a text shows as it is", fuzz::Codes(cell.text));
    return 0;
}
