// Views of the arrays that analysis step 3 leaves in STRUC_FI (and UP_UPLEN), read by the
// loader, the factorisation and the solve. Flow: symbolic -> [factor storage] -> load -> factor.
#include "factor/storage_view.h"

#include "common/onebased.h"
#include "ordering/schedule.h"

namespace varnexo::factor {
namespace {

constexpr int32_t kUnset = 777777;

int32_t* at(int32_t* block, const int32_t* iadr, int32_t slot) {
  const int32_t pos = iadr[slot - 1];
  return block == nullptr || pos == kUnset || pos < 1 ? nullptr : block + (pos - 1);
}

}  // namespace

SymbolicFactor symbolic_view(int32_t* fi, const int32_t* iadr, const int32_t* ibasic_p) {
  OneBased<const int32_t> ib(ibasic_p, 100);
  SymbolicFactor s;
  s.n = ib(1);
  s.nsuper = ib(31);
  s.perm = at(fi, iadr, kFiPerm);
  s.invp = at(fi, iadr, kFiInvp);
  s.xsuper = at(fi, iadr, kFiXsuper);
  s.snode = at(fi, iadr, kFiSnode);
  s.xlindx = at(fi, iadr, kFiXlindx);
  s.lindx = at(fi, iadr, kFiLindx);
  s.xlnz = at(fi, iadr, kFiXlnz);
  s.xunz = ib(19) == 1 ? nullptr : at(fi, iadr, kFiXunz);
  s.nmod = at(fi, iadr, kFiNmod);
  s.pnlsch = at(fi, iadr, kFiSched);
  s.lnz_size = ib(34);
  s.unz_size = ib(35);
  s.temp_size = ib(37);
  return s;
}

ValueMap value_map_view(int32_t* fi, const int32_t* iadr, const int32_t* ibasic_p) {
  OneBased<const int32_t> ib(ibasic_p, 100), pos(iadr, 100);
  ValueMap m;
  m.xlmap = at(fi, iadr, kFiXlmap);
  m.lmap = at(fi, iadr, kFiLmap);
  m.asrc = at(fi, iadr, kFiAsrc);
  const bool lu = ib(19) != 1;
  m.xumap = lu ? at(fi, iadr, kFiXumap) : nullptr;
  m.umap = lu ? at(fi, iadr, kFiUmap) : nullptr;
  m.aorig = at(fi, iadr, kFiAorig);
  m.colorig = at(fi, iadr, kFiColorig);
  if (pos(kFiUmap) != kUnset && pos(kFiLmap) != kUnset) {
    m.lcount = pos(kFiUmap) - pos(kFiLmap);
    m.ucount = pos(kFiMapEnd) - pos(kFiUmap);
  }
  return m;
}

FactorWorkspace factor_workspace_view(int32_t* fi, const int32_t* iadr, const int32_t* ibasic_p) {
  OneBased<const int32_t> ib(ibasic_p, 100);
  FactorWorkspace w;
  w.iwork = at(fi, iadr, kFiIwork);
  w.iwork_words = 2 * int64_t{ib(15)} * ib(1) + ib(1) + ib(31);
  w.pivot = at(fi, iadr, kFiPivot);
  w.colpivot = at(fi, iadr, kFiColpivot);
  w.domain_table = at(fi, iadr, kFiTable);
  w.nd = ib(60);
  w.colcnt = at(fi, iadr, kFiColcnt);
  w.seprows = at(fi, iadr, kFiSeprows);
  w.mark1 = at(fi, iadr, kFiMark1);
  w.mark2 = at(fi, iadr, kFiMark2);
  return w;
}

UpdateLists update_lists_view(int32_t* fi, int32_t* up, const int32_t* iadr, const int32_t* ibasic_p) {
  OneBased<const int32_t> ib(ibasic_p, 100);
  UpdateLists u;
  if (ib(15) <= 1 || up == nullptr) return u;
  u.ptr = at(fi, iadr, kFiUpdPtr);
  u.qptr = at(fi, iadr, kFiUpdQ);
  u.target = at(up, iadr, kUpTarget);
  u.remaining = at(up, iadr, kUpRemaining);
  const int32_t* table = at(fi, iadr, kFiTable);
  const bool domain_mode = ordering::domain_mode_separator(ib(31), ib(60), table, ib(70)) != 0;
  u.separators = domain_mode ? ib(72) : 0;
  u.entries = domain_mode ? ib(6) : ib(6) - 1;
  return u;
}

}  // namespace varnexo::factor
