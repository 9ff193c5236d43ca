// Views of the arrays that analysis step 3 leaves in STRUC_FI (and UP_UPLEN), handed by the
// driver to the loader, the factorisation and the solve. Flow: symbolic -> [factor storage] ->
// load -> factor.
#include "driver/storage_layout.h"

#include "ordering/schedule.h"

namespace varnexo::driver {
namespace {

int32_t* at(int32_t* block, const Control& ctl, int32_t slot) {
  const int32_t pos = ctl.position(slot);
  return block == nullptr || pos == kSentinel || pos < 1 ? nullptr : block + (pos - 1);
}

}  // namespace

SymbolicFactor symbolic_view(int32_t* fi, const Control& ctl) {
  SymbolicFactor s;
  s.n = ctl.n();
  s.nsuper = ctl.nsuper();
  s.perm = at(fi, ctl, kFiPerm);
  s.invp = at(fi, ctl, kFiInvp);
  s.xsuper = at(fi, ctl, kFiXsuper);
  s.snode = at(fi, ctl, kFiSnode);
  s.xlindx = at(fi, ctl, kFiXlindx);
  s.lindx = at(fi, ctl, kFiLindx);
  s.xlnz = at(fi, ctl, kFiXlnz);
  s.xunz = ctl.symmetric_storage() == 1 ? nullptr : at(fi, ctl, kFiXunz);
  s.nmod = at(fi, ctl, kFiNmod);
  s.pnlsch = at(fi, ctl, kFiSched);
  s.lnz_size = ctl.lnz_size();
  s.unz_size = ctl.unz_size();
  s.temp_size = ctl.temp_size();
  return s;
}

ValueMap value_map_view(int32_t* fi, const Control& ctl) {
  ValueMap m;
  m.xlmap = at(fi, ctl, kFiXlmap);
  m.lmap = at(fi, ctl, kFiLmap);
  m.asrc = at(fi, ctl, kFiAsrc);
  const bool lu = ctl.symmetric_storage() != 1;
  m.xumap = lu ? at(fi, ctl, kFiXumap) : nullptr;
  m.umap = lu ? at(fi, ctl, kFiUmap) : nullptr;
  m.aorig = at(fi, ctl, kFiAorig);
  m.colorig = at(fi, ctl, kFiColorig);
  if (ctl.position(kFiUmap) != kSentinel && ctl.position(kFiLmap) != kSentinel) {
    m.lcount = ctl.position(kFiUmap) - ctl.position(kFiLmap);
    m.ucount = ctl.position(kFiMapEnd) - ctl.position(kFiUmap);
  }
  return m;
}

FactorWorkspace factor_workspace_view(int32_t* fi, const Control& ctl) {
  FactorWorkspace w;
  w.iwork = at(fi, ctl, kFiIwork);
  w.iwork_words = 2 * int64_t{ctl.nproc()} * ctl.n() + ctl.n() + ctl.nsuper();
  w.pivot = at(fi, ctl, kFiPivot);
  w.colpivot = at(fi, ctl, kFiColpivot);
  w.domain_table = at(fi, ctl, kFiTable);
  w.nd = ctl.domains();
  w.colcnt = at(fi, ctl, kFiColcnt);
  w.seprows = at(fi, ctl, kFiSeprows);
  w.mark1 = at(fi, ctl, kFiMark1);
  w.mark2 = at(fi, ctl, kFiMark2);
  return w;
}

UpdateLists update_lists_view(int32_t* fi, int32_t* up, const Control& ctl) {
  UpdateLists u;
  if (ctl.nproc() <= 1 || up == nullptr) return u;
  u.ptr = at(fi, ctl, kFiUpdPtr);
  u.qptr = at(fi, ctl, kFiUpdQ);
  u.target = at(up, ctl, kUpTarget);
  u.remaining = at(up, ctl, kUpRemaining);
  const int32_t* table = at(fi, ctl, kFiTable);
  const bool domain_mode =
      ordering::domain_mode_separator(ctl.nsuper(), ctl.domains(), table, ctl.domain_mode()) != 0;
  u.separators = domain_mode ? ctl.separator_supernodes() : 0;
  u.entries = domain_mode ? ctl.update_entries() : ctl.update_entries() - 1;
  return u;
}

}  // namespace varnexo::driver
