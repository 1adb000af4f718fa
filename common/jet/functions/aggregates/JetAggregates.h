#pragma once

// The aggregates: a step for each record, a final for the group.

struct sqlite3_context;

namespace levy::jet {

struct Call;

void SumStep(const Call&);
void SumFinal(sqlite3_context*);
void AvgFinal(sqlite3_context*);
void CountStep(const Call&);
void CountFinal(sqlite3_context*);
void MinStep(const Call&);
void MaxStep(const Call&);
void FirstStep(const Call&);
void LastStep(const Call&);
void HeldFinal(sqlite3_context*);
void SpreadStep(const Call&);
void StDevFinal(sqlite3_context*);
void StDevPFinal(sqlite3_context*);
void VarFinal(sqlite3_context*);
void VarPFinal(sqlite3_context*);

} // namespace levy::jet
