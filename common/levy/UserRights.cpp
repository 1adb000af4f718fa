#include "UserRights.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

const std::array<RightInfo, rightsCount>& RightsTable()
{
    static const std::array<RightInfo, rightsCount> table = {{
        {Classes_CreateNew, u"Classes_CreateNew"_s, u"chkClasses_CreateNew"_s, u"Create New Classes"_s, u"Classes"_s},
        {Classes_Edit, u"Classes_Edit"_s, u"chkClasses_Edit"_s, u"Change Class Details"_s, u"Classes"_s},
        {Classes_Delete, u"Classes_Delete"_s, u"chkClasses_Delete"_s, u"Remove Classes"_s, u"Classes"_s},
        {Classes_BatchUpdate, u"Classes_BatchUpdate"_s, u"chkClasses_BatchUpdate"_s, u"Batch Update Classes"_s,
         u"Classes"_s},
        {Students_Register, u"Students_Register"_s, u"chkStudents_Register"_s, u"Register New Students"_s,
         u"Students"_s},
        {Students_Edit, u"Students_Edit"_s, u"chkStudents_Edit"_s, u"Change Student Details"_s, u"Students"_s},
        {Students_Deregister, u"Students_Deregister"_s, u"chkStudents_Deregister"_s, u"Deregister Students"_s,
         u"Students"_s},
        {Students_Reregister, u"Students_Reregister"_s, u"chkStudents_Reregister"_s, u"Reregister Students"_s,
         u"Students"_s},
        {Fees_Registered_AddNew, u"Fees_Registered_AddNew"_s, u"chkFees_Registered_AddNew"_s, u"Register New Fees"_s,
         u"Levy Fees"_s},
        {Fees_Registered_Delete, u"Fees_Registered_Delete"_s, u"chkFees_Registered_Delete"_s, u"Deregister Fees"_s,
         u"Levy Fees"_s},
        {Fees_Templates_CreateNewAndModify, u"Fees_Templates_CreateNewAndModify"_s,
         u"chkFees_Templates_CreateNewAndModify"_s, u"Create New And  Modify Existing Fees Templates"_s,
         u"Levy Fees"_s},
        {Fees_Templates_Delete, u"Fees_Templates_Delete"_s, u"chkFees_Templates_Delete"_s, u"Delete Fees Templates"_s,
         u"Levy Fees"_s},
        {LevyAc_Debit, u"LevyAc_Debit"_s, u"chkLevyAc_Debit"_s, u"Debit Accounts"_s, u"Levy Accounts"_s},
        {LevyAc_Credit, u"LevyAc_Credit"_s, u"chkLevyAc_Credit"_s, u"Credit Accounts"_s, u"Levy Accounts"_s},
        {LevyAc_IndividualStmt, u"LevyAc_IndividualStmt"_s, u"chkLevyAc_IndividualStmt"_s,
         u"Produce Individual Statement of Account"_s, u"Levy Accounts"_s},
        {LevyAc_BatchStmt, u"LevyAc_BatchStmt"_s, u"chkLevyAc_BatchStmt"_s, u"Batch Produce Statements of Account"_s,
         u"Levy Accounts"_s},
        {DepositAc_Debit, u"DepositAc_Debit"_s, u"chkDepositAc_Debit"_s, u"Debit Accounts"_s, u"Deposit Accounts"_s},
        {DepositAc_Credit, u"DepositAc_Credit"_s, u"chkDepositAc_Credit"_s, u"Credit Accounts"_s,
         u"Deposit Accounts"_s},
        {DepositAc_IndividualStmt, u"DepositAc_IndividualStmt"_s, u"chkDepositAc_IndividualStmt"_s,
         u"Produce Individual Statement of Account"_s, u"Deposit Accounts"_s},
        {DepositAc_BatchStmt, u"DepositAc_BatchStmt"_s, u"chkDepositAc_BatchStmt"_s,
         u"Batch Produce Statement of Account"_s, u"Deposit Accounts"_s},
        {Balances_FeeClass, u"Balances_FeeClass"_s, u"chkBalances_FeeClass"_s, u"Fee Class Balance Analysis"_s,
         u"Balance Analysis"_s},
        {Balances_LevyAc, u"Balances_LevyAc"_s, u"chkBalances_LevyAc"_s, u"Levy Account Balance Analysis"_s,
         u"Balance Analysis"_s},
        {Balances_DepositAc, u"Balances_DepositAc"_s, u"chkBalances_DepositAc"_s,
         u"Deposit Account Balance Analysis"_s, u"Balance Analysis"_s},
        {Utilities_MailMerge, u"Utilities_MailMerge"_s, u"chkUtilities_MailMerge"_s, u"Run Mail Merge"_s,
         u"Utilities"_s},
        {Utilities_Delver, u"Utilities_Delver"_s, u"chkUtilities_Delver"_s, u"Run Delver"_s, u"Utilities"_s},
    }};
    return table;
}

const std::array<QString, 7>& RightsTabs()
{
    static const std::array<QString, 7> tabs = {u"Classes"_s, u"Students"_s, u"Levy Fees"_s, u"Levy Accounts"_s,
                                                u"Deposit Accounts"_s, u"Balance Analysis"_s, u"Utilities"_s};
    return tabs;
}

} // namespace levy
