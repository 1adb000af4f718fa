#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace levy {

class FlexGrid;
class Recordset;
class ShownResult;

// 1,000,000: the thousands marked the same whatever the user's locale.
QString Grouped(int64_t n);

// The pages of `pageSize` records that `records` fill, at least one. Raises Overflow
// beyond the pages a page number can count.
int32_t PagesOf(int64_t records, int pageSize);

// The commands that turn the page.
enum class PageStep { First, Back, Next, Last };

// The page a command leads to from page `current` of `pages` (`complete`: the count is
// known, so there is no page after the last); 0 when there is none to go to.
int32_t PageAfter(PageStep step, int32_t current, int32_t pages, bool complete);

// "Page 3 of 12", or "Page 3 of ?" while the count is not known.
QString PageCounterText(int32_t page, int32_t pages, bool complete);

// "Records 101-200 of 1,260": "so far" while the count runs, "at least" after it was
// stopped.
QString RecordsText(int32_t page, int pageSize, int64_t known, bool complete, bool counting);

// The same under a filter: "Records 1-37 of 37 (filtered from 1,260)". `found` rows of
// the `read` records (`foundAll`: every record read was looked at); what is not yet known,
// or will not be as the count was stopped, is said so.
QString FilteredRecordsText(int32_t page, int pageSize, int64_t found, bool foundAll, int64_t read, bool complete,
                            bool counting);

// Sets the grid up for pages of `pageSize` records of the result: a heading for each
// field, numbers and dates on the right, texts on the left and wrapping.
void PrepareResultGrid(FlexGrid& grid, Recordset& result, int pageSize);

// Opens each column wide enough for its heading and the values on screen, never wider
// than `widest` pixels, and never narrower than it is.
void OpenColumnsWideEnough(FlexGrid& grid, int widest);

// Fills the grid's rows with the records shown from `first` on, each with its place in
// the result, and empties the rows after the `known` records. `progress` (when given)
// hears of each row done, of the page's.
void FillPage(FlexGrid& grid, ShownResult& shown, Recordset& result, int64_t first, int64_t known, int pageSize,
              const std::function<void(int32_t done, int32_t total)>& progress);

} // namespace levy
