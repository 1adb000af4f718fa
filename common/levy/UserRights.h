#pragma once

#include <QString>
#include <array>

namespace levy {

// The 25 access rights, by their position in an account's rights text.
enum Right : int {
    Classes_CreateNew = 1,
    Classes_Edit,
    Classes_Delete,
    Classes_BatchUpdate,
    Students_Register,
    Students_Edit,
    Students_Deregister,
    Students_Reregister,
    Fees_Registered_AddNew,
    Fees_Registered_Delete,
    Fees_Templates_CreateNewAndModify,
    Fees_Templates_Delete,
    LevyAc_Debit,
    LevyAc_Credit,
    LevyAc_IndividualStmt,
    LevyAc_BatchStmt,
    DepositAc_Debit,
    DepositAc_Credit,
    DepositAc_IndividualStmt,
    DepositAc_BatchStmt,
    Balances_FeeClass,
    Balances_LevyAc,
    Balances_DepositAc,
    Utilities_MailMerge,
    Utilities_Delver,
};
inline constexpr int rightsCount = 25;

struct RightInfo {
    Right position;
    QString flag;
    QString checkBox;
    QString caption;
    QString tab;
};

// Every right with its flag name, check box, caption and tab, in position order.
const std::array<RightInfo, rightsCount>& RightsTable();

// The tabs of the rights editor, in order.
const std::array<QString, 7>& RightsTabs();

} // namespace levy
