#include "WorkbookExportFile.h"

#include "ExportCells.h"
#include "platform/RuntimeError.h"

#include <QDate>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <optional>
#include <xlsxwriter.h>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int errPathFileAccess = 75;
const QString source = u"Export Results"_s;
constexpr double wrappedColumnWidth = 30;

// The library prints numbers with the C library, which follows the user's locale: a
// decimal comma would corrupt every number and width in the file. Its calls run under
// the classic locale, set for this thread only.
class ClassicNumbers {
public:
    ClassicNumbers() : previous_(uselocale(Classic())) {}
    ~ClassicNumbers() { uselocale(previous_); }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

private:
    static locale_t Classic()
    {
        static const locale_t classic = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        return classic;
    }
    locale_t previous_;
};

void Check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        Raise(errPathFileAccess, source,
              u"The workbook could not be written: %1."_s.arg(QString::fromUtf8(lxw_strerror(error))));
}

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// A number in plain decimal form, as the grid shows numbers: an optional minus, no
// superfluous zeros, at most 15 significant digits (all a worksheet number keeps).
std::optional<double> PlainNumber(QStringView t, bool integerOnly)
{
    const qsizetype n = t.size();
    qsizetype i = 0;
    if (i < n && t[i] == u'-')
        ++i;
    const qsizetype first = i;
    while (i < n && IsDigit(t[i]))
        ++i;
    if (i == first || (i - first > 1 && t[first] == u'0'))
        return std::nullopt;
    bool zero = t[first] == u'0';
    int significant = zero ? 0 : int(i - first);
    if (i < n) {
        if (integerOnly || t[i] != u'.')
            return std::nullopt;
        const qsizetype fraction = ++i;
        while (i < n && IsDigit(t[i]))
            ++i;
        if (i != n || i == fraction || t[n - 1] == u'0')
            return std::nullopt;
        for (qsizetype d = fraction; d < n; ++d)
            if (significant > 0 || t[d] != u'0')
                ++significant;
        zero = false;
    }
    if (significant > 15 || (zero && first > 0))
        return std::nullopt;
    bool ok = false;
    const double value = t.toDouble(&ok);  // always the C locale
    return ok ? std::optional<double>(value) : std::nullopt;
}

// What a spreadsheet reads as a number: the grid's integers (with their two trailing
// blanks) and plain decimal numbers.
std::optional<double> TypedNumber(QStringView t)
{
    if (t.isEmpty() || !(IsDigit(t[0]) || t[0] == u'-'))
        return std::nullopt;
    if (t.size() > 2 && t.endsWith(u"  "))
        return PlainNumber(t.chopped(2), true);
    return PlainNumber(t, false);
}

struct TypedDate {
    lxw_datetime value;
    bool hasTime;
};

// The grid's dates, "dd/mm/yyyy" or "dd/mm/yyyy hh:nn"; a worksheet holds none before 1900.
std::optional<TypedDate> GridDate(QStringView t)
{
    if (t.size() != 10 && t.size() != 16)
        return std::nullopt;
    auto number = [&](qsizetype at, qsizetype length, int& out) {
        out = 0;
        for (qsizetype i = at; i < at + length; ++i) {
            if (!IsDigit(t[i]))
                return false;
            out = out * 10 + (t[i].unicode() - u'0');
        }
        return true;
    };
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    if (!number(0, 2, day) || t[2] != u'/' || !number(3, 2, month) || t[5] != u'/' || !number(6, 4, year))
        return std::nullopt;
    const bool hasTime = t.size() == 16;
    if (hasTime && (t[10] != u' ' || !number(11, 2, hour) || t[13] != u':' || !number(14, 2, minute) ||
                    hour > 23 || minute > 59))
        return std::nullopt;
    if (year < 1900 || !QDate::isValid(year, month, day))
        return std::nullopt;
    return TypedDate{lxw_datetime{year, month, day, hour, minute, 0.0}, hasTime};
}

bool IsHexDigit(QChar c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// "_xHHHH_" in a cell text is read back as the character HHHH; such an underscore is
// written as the escape of itself.
bool StartsEscapeLookalike(QStringView t, qsizetype i)
{
    if (i + 6 >= t.size() || t[i + 1] != u'x' || t[i + 6] != u'_')
        return false;
    for (qsizetype d = i + 2; d < i + 6; ++d)
        if (!IsHexDigit(t[d]))
            return false;
    return true;
}

// UTF-8 for the library, into a buffer reused for every cell.
void ToUtf8(QStringView text, std::string& out)
{
    out.clear();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t u = text[i].unicode();
        if (u < 0x80) {
            if (u == u'_' && StartsEscapeLookalike(text, i))
                out += "_x005F_";
            else
                out += char(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate())
            u = QChar::surrogateToUcs4(char16_t(u), text[++i].unicode());
        else if (QChar::isSurrogate(u))
            u = 0xFFFD;
        if (u < 0x800) {
            out += char(0xC0 | (u >> 6));
        } else if (u < 0x10000) {
            out += char(0xE0 | (u >> 12));
            out += char(0x80 | ((u >> 6) & 0x3F));
        } else {
            out += char(0xF0 | (u >> 18));
            out += char(0x80 | ((u >> 12) & 0x3F));
            out += char(0x80 | ((u >> 6) & 0x3F));
        }
        out += char(0x80 | (u & 0x3F));
    }
}
// A worksheet's name holds at most 31 characters and none of []:*?/\, and does not
// begin or end with an apostrophe.
QString SheetName(const QString& wanted)
{
    QString name = wanted.simplified();
    for (QChar c : u"[]:*?/\\")
        name.remove(c);
    while (name.startsWith(u'\'') || name.endsWith(u'\''))
        name = name.startsWith(u'\'') ? name.mid(1) : name.chopped(1);
    name = name.left(31).trimmed();
    if (name.isEmpty() || name.compare(u"History"_s, Qt::CaseInsensitive) == 0)
        return u"Result"_s;
    return name;
}

// The characters "#,##0.00" shows of an amount.
double AmountCharacters(Currency amount)
{
    uint64_t units = amount.tenThousandths < 0 ? 0 - uint64_t(amount.tenThousandths) : uint64_t(amount.tenThousandths);
    units /= 10000;
    int digits = 1;
    for (; units >= 10; units /= 10)
        ++digits;
    return digits + (digits - 1) / 3 + 3 + (amount.tenThousandths < 0 ? 1 : 0);
}

// A property's text for the library, which copies it.
struct PropertyText {
    explicit PropertyText(const QString& text) : utf8(text.toUtf8()) {}
    char* get() { return utf8.isEmpty() ? nullptr : utf8.data(); }
    QByteArray utf8;
};
} // namespace

WorkbookExportFile::WorkbookExportFile(const QString& path, int32_t rowsPerWorksheet,
                                       const ExportDescription& description)
    : target_(path), rowsPerWorksheet_(std::clamp(rowsPerWorksheet, 2, worksheetRows)),
      sheetName_(SheetName(description.name))
{
    // The library writes the temporary file by its name, when the workbook is complete.
    target_.File().close();
    ClassicNumbers numbers;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray name = QFile::encodeName(target_.TemporaryPath());
    workbook_ = workbook_new_opt(name.constData(), &options);
    if (!workbook_)
        Raise(errPathFileAccess, source, u"The workbook could not be created."_s);
    PropertyText title(description.name.trimmed().isEmpty() ? u"SQL Result"_s : description.name.trimmed());
    PropertyText author(description.author);
    PropertyText comments(description.statement);
    lxw_doc_properties properties{};
    properties.title = title.get();
    properties.author = author.get();
    properties.comments = comments.get();
    Check(workbook_set_properties(workbook_, &properties));
    CreateFormats();
    StartWorksheet();
    utf8_.reserve(1024);
}

WorkbookExportFile::~WorkbookExportFile() { Release(); }

void WorkbookExportFile::CreateFormats()
{
    header_ = workbook_add_format(workbook_);
    format_set_bold(header_);
    format_set_align(header_, LXW_ALIGN_VERTICAL_TOP);
    for (int wrap = 0; wrap < 2; ++wrap) {
        auto make = [&](const char* numberFormat) {
            lxw_format* format = workbook_add_format(workbook_);
            format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
            if (wrap)
                format_set_text_wrap(format);
            if (numberFormat)
                format_set_num_format(format, numberFormat);
            return format;
        };
        plain_[wrap] = make(nullptr);
        date_[wrap] = make("dd/mm/yyyy");
        dateTime_[wrap] = make("dd/mm/yyyy hh:mm");
        // Shown as the grid shows amounts: negatives red, the others blue.
        amount_[wrap] = make("[Blue]#,##0.00;[Red]-#,##0.00");
    }
}

void WorkbookExportFile::StartWorksheet()
{
    if (sheet_) {
        sheetRows_.push_back(row_);
        sheetWrapped_.push_back(wrapped_);
    }
    const QString name = sheets_.empty() ? sheetName_
                                         : u"%1 (%2)"_s.arg(sheetName_.left(31 - 3 - int(QString::number(sheets_.size() + 1).size())))
                                               .arg(sheets_.size() + 1);
    const QByteArray utf8 = name.toUtf8();
    sheet_ = workbook_add_worksheet(workbook_, utf8.constData());
    if (!sheet_)
        Raise(errPathFileAccess, source, u"The workbook could not be written: no worksheet could be added."_s);
    sheets_.push_back(sheet_);
    row_ = 0;
    std::fill(wrapped_.begin(), wrapped_.end(), false);
    if (!names_.isEmpty())
        WriteHeaderRow();
}

void WorkbookExportFile::WriteHeader(const QList<QString>& names)
{
    ClassicNumbers numbers;
    names_ = names;
    if (wrapped_.size() < size_t(names.size()))
        wrapped_.resize(size_t(names.size()), false);
    WriteHeaderRow();
}

void WorkbookExportFile::WriteHeaderRow()
{
    for (qsizetype c = 0; c < names_.size(); ++c) {
        WriteText(int32_t(c), names_[c], header_);
        // Bold is wider, and the filter's button takes room beside the name.
        Measure(int32_t(c), names_[c].size() * 1.1 + 2);
    }
    ++row_;
}

void WorkbookExportFile::WriteRecord(const QList<ExportCell>& cells)
{
    ClassicNumbers numbers;
    if (row_ >= rowsPerWorksheet_)
        StartWorksheet();
    ++records_;
    if (wrapped_.size() < size_t(cells.size()))
        wrapped_.resize(size_t(cells.size()), false);
    for (qsizetype c = 0; c < cells.size(); ++c)
        WriteCell(int32_t(c), cells[c]);
    ++row_;
    if (records_ % 1024 == 0)
        CheckWorksheetData();
}

void WorkbookExportFile::WriteCell(int32_t column, const ExportCell& cell)
{
    if (cell.amount || IsAmountColour(cell.colour)) {
        const Currency amount = ExportedAmount(cell);
        const double value = double(amount.tenThousandths) / 10000.0;
        Measure(column, AmountCharacters(amount));
        Check(worksheet_write_number(sheet_, lxw_row_t(row_), lxw_col_t(column), value,
                                     amount_[wrapped_[size_t(column)]]));
        return;
    }
    const QString* text = &cell.text;
    QString joined;
    if (Contains_carriage_return(cell.text)) {
        joined = ReformatMultilineText(cell.text, workbookSeparator);
        text = &joined;
        SetColumnWrapping(column + 1);
    } else if (cell.text.contains(u'\n')) {
        // Its lines show only in a wrapping cell.
        SetColumnWrapping(column + 1);
    }
    const int wrap = wrapped_[size_t(column)] ? 1 : 0;
    const lxw_row_t row = lxw_row_t(row_);
    const lxw_col_t col = lxw_col_t(column);
    if (text->isEmpty()) {
        Check(worksheet_write_blank(sheet_, row, col, plain_[wrap]));
        return;
    }
    if (const auto number = TypedNumber(*text)) {
        Measure(column, text->endsWith(u"  "_s) ? text->size() - 2 : text->size());
        Check(worksheet_write_number(sheet_, row, col, *number, plain_[wrap]));
        return;
    }
    if (auto date = GridDate(*text)) {
        Measure(column, date->hasTime ? 16 : 10);
        Check(worksheet_write_datetime(sheet_, row, col, &date->value,
                                       date->hasTime ? dateTime_[wrap] : date_[wrap]));
        return;
    }
    if (text->size() > cellCharacters) {
        const QString name = column < names_.size() ? names_[column] : QString::number(column + 1);
        Raise(errPathFileAccess, source,
              u"Record %1, field \"%2\": the text is %3 characters long, and a worksheet cell holds at most %4. "
              u"Nothing was exported."_s.arg(records_)
                  .arg(name)
                  .arg(text->size())
                  .arg(cellCharacters));
    }
    // A wrapping column keeps its width; the others show their longest text on one line.
    if (!wrap)
        Measure(column, text->size());
    WriteText(column, *text, plain_[wrap]);
}

void WorkbookExportFile::Measure(int32_t column, double characters)
{
    if (widths_.size() <= size_t(column))
        widths_.resize(size_t(column) + 1, 0);
    double& widest = widths_[size_t(column)];
    if (characters > widest)
        widest = characters;
}

void WorkbookExportFile::LayOut(size_t sheet)
{
    lxw_worksheet* worksheet = sheets_[sheet];
    const std::vector<bool>& wrapped = sheetWrapped_[sheet];
    for (size_t c = 0; c < widths_.size(); ++c) {
        if (c < wrapped.size() && wrapped[c])
            continue;
        // A little room beside the longest value, as a spreadsheet fits a column.
        const double width = std::min(widestColumn, std::max(widths_[c], 2.0) + 1.5);
        Check(worksheet_set_column(worksheet, lxw_col_t(c), lxw_col_t(c), width, nullptr));
    }
    worksheet_freeze_panes(worksheet, 1, 0);
    if (!names_.isEmpty())
        Check(worksheet_autofilter(worksheet, 0, 0, lxw_row_t(std::max(sheetRows_[sheet] - 1, 0)),
                                   lxw_col_t(names_.size() - 1)));
}

void WorkbookExportFile::WriteText(int32_t column, const QString& text, lxw_format* format)
{
    ToUtf8(text, utf8_);
    Check(worksheet_write_string(sheet_, lxw_row_t(row_), lxw_col_t(column), utf8_.c_str(), format));
}

void WorkbookExportFile::SetColumnWrapping(int32_t column)
{
    if (column < 1 || !sheet_)
        return;
    const size_t index = size_t(column - 1);
    if (index >= wrapped_.size())
        wrapped_.resize(index + 1, false);
    if (wrapped_[index])
        return;
    ClassicNumbers numbers;
    // The column's own format makes cells typed in later wrap too.
    Check(worksheet_set_column(sheet_, lxw_col_t(index), lxw_col_t(index), wrappedColumnWidth, plain_[1]));
    wrapped_[index] = true;
}

// The library keeps each worksheet's rows in a temporary file and does not report a
// failed write there (a full disk): the workbook would come out cut short. Look for it.
void WorkbookExportFile::CheckWorksheetData()
{
    if (sheet_ && sheet_->optimize_tmpfile && std::ferror(sheet_->optimize_tmpfile))
        target_.RaiseWriteError(u"the worksheet's rows could not be stored in the temporary folder (is the disk full?)"_s);
}

void WorkbookExportFile::Commit()
{
    if (!workbook_)
        return;
    ClassicNumbers numbers;
    sheetRows_.push_back(row_);
    sheetWrapped_.push_back(wrapped_);
    for (size_t s = 0; s < sheets_.size(); ++s)
        LayOut(s);
    for (lxw_worksheet* sheet : sheets_) {
        sheet_ = sheet;
        lxw_worksheet_write_single_row(sheet);  // the last row, still held in memory
        if (sheet->optimize_tmpfile)
            std::fflush(sheet->optimize_tmpfile);
        CheckWorksheetData();
    }
    errno = 0;
    const lxw_error error = workbook_close(workbook_);
    const int systemError = errno;
    workbook_ = nullptr;
    sheet_ = nullptr;
    sheets_.clear();
    if (error != LXW_NO_ERROR) {
        // The library names its own step ("Zip generic error ZIP_ERRNO ..."); the system's
        // reason, such as a full disk, is what the user can act on.
        const bool fileError = error == LXW_ERROR_CREATING_XLSX_FILE || error == LXW_ERROR_CREATING_TMPFILE ||
                               error == LXW_ERROR_ZIP_FILE_OPERATION || error == LXW_ERROR_ZIP_FILE_ADD ||
                               error == LXW_ERROR_ZIP_CLOSE;
        QString reason = fileError && systemError ? QString::fromLocal8Bit(std::strerror(systemError))
                                                  : QString::fromUtf8(lxw_strerror(error));
        while (reason.endsWith(u'.'))
            reason.chop(1);
        target_.RaiseWriteError(reason);
    }
    target_.Commit();
}

void WorkbookExportFile::Release() noexcept
{
    if (workbook_) {
        // Freeing a workbook leaves its worksheets' temporary files open; close them first.
        for (lxw_worksheet* sheet : sheets_) {
            if (sheet->optimize_tmpfile)
                std::fclose(sheet->optimize_tmpfile);
            sheet->optimize_tmpfile = nullptr;
            sheet->file = nullptr;
        }
        lxw_workbook_free(workbook_);
        workbook_ = nullptr;
    }
    sheets_.clear();
    sheet_ = nullptr;
    target_.Discard();
}

} // namespace levy
