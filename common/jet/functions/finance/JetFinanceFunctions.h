#pragma once

// Annuities and depreciation: Pmt, IPmt, PPmt, FV, PV, NPer, Rate, DDB, SLN and SYD.
// Money paid out is negative, money received positive; a nonzero `type` (due) means
// payments fall at the beginning of each period.

namespace levy::jet {

struct Call;

void Pmt(const Call&);
void IPmt(const Call&);
void PPmt(const Call&);
void FV(const Call&);
void PV(const Call&);
void NPer(const Call&);
void Rate(const Call&);
void DDB(const Call&);
void SLN(const Call&);
void SYD(const Call&);

} // namespace levy::jet
