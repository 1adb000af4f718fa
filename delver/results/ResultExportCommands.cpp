// The results window's Export Results commands: the file, its description and the rows.
#include "frmDelverResults.h"
#include "export/ResultExportFile.h"
#include "levy/DatabaseAccess.h"
#include "database/QueryDef.h"
#include "results/FlexGrid.h"
#include "results/ResultExporting.h"
#include "results/ShownResult.h"
#include "platform/RuntimeError.h"
#include "levy/SecurityEnforcement.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

ExportDescription frmDelverResults::DescribeResult() const
{
    QString statement;
    try {
        if (qryDirectSQL)
            statement = qryDirectSQL->SQL();
    } catch (const RuntimeError&) {
        // Named by its file, or not at all.
    }
    return {ResultName(strStatementFile, statement), CurrentUserName, statement};
}

void frmDelverResults::mnuTools_Export_Generic_Click() { ExportResults(ExportFormat::Text); }

void frmDelverResults::mnuTools_Export_Excel_Click() { ExportResults(ExportFormat::Workbook); }

void frmDelverResults::ExportResults(ExportFormat format)
{
    auto* rows = static_cast<ShownResult*>(ChosenRows(u"Export Results"_s));
    // The export writes every row it takes: it waits for the count, or the filter.
    if (!rows || !(rows == shown_.get() ? WaitForRows() : WaitForCount()))
        return;
    QList<QString> headings(grdResults->Cols() - 1);
    for (int c = 1; c < grdResults->Cols(); ++c)
        headings[c - 1] = grdResults->TextMatrix(0, c);
    // Written off the window's thread: Cancel and Escape stop it.
    const ExportProgress progress{[this] { ShowProgress(); },
                                  [this](int32_t done, int32_t total) { UpdateProgress(done, total); },
                                  [this] { HideProgress(); },
                                  [this](const std::function<void()>& work) { ReadInterruptibly(work, false); },
                                  &stopRequested_};
    ExportResult(*dlgResults, format, DescribeResult(), headings, *rows, *rsResults,
                 rows == shown_.get() ? shown_->Known() : recordCount_, progress);
}

} // namespace levy
