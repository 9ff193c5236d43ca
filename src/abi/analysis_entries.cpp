// Exported analysis steps over the handle's control arrays: each reads the words into the
// options of the ordering and symbolic step, calls ordering::reorder1 or reorder2 and writes the
// results back (driver words -> options -> ordering -> symbolic -> words).
#include <cstdint>

#include "abi/abi_entries.h"
#include "common/export.h"
#include "common/guard.h"
#include "driver/analysis_options.h"
#include "driver/control.h"
#include "ordering/reorder.h"

using namespace varnexo;

// exported as reorder1_varnexo_
extern "C" VARNEXO_EXPORT void reorder1_varnexo_(
    const int32_t* n, const int32_t* ia, const int32_t* ja, const int32_t* user_perm, int32_t* perm,
    int32_t* invp, int32_t* table, const int32_t* table_cap, int32_t* colcnt, int32_t* snode, int32_t* xsuper,
    int32_t* xadj, int32_t* adjncy, int32_t* s0_work, const int32_t* s0_work_len, int32_t* work,
    const int32_t* work_len, int32_t* ibasic, double* rbasic, const int32_t* matching_perm) {
  const driver::Control ctl(ibasic, rbasic, nullptr);
  if (*n <= 0) {
    ctl.error_num() = 0;
    return;
  }
  ordering::Step1Arrays a;
  a.n = *n;
  a.ia = ia;
  a.ja = ja;
  a.user_perm = user_perm;
  a.matching_perm = matching_perm;
  a.perm = perm;
  a.invp = invp;
  a.table = table;
  a.table_cap = *table_cap;
  a.colcnt = colcnt;
  a.snode = snode;
  a.xsuper = xsuper;
  a.xadj = xadj;
  a.adjncy = adjncy;
  a.s0_work = s0_work;
  a.s0_work_len = *s0_work_len;
  a.work = work;
  a.work_len = *work_len;
  ordering::Step1Result r;
  int32_t thrown = 0;
  guard_entry(&thrown, {-180, -180}, [&] { r = ordering::reorder1(a, driver::step1_options(ctl)); });
  if (thrown != 0) r.status = ordering::AnalysisStatus::failed;
  driver::record_step1(ctl, r);
}
VARNEXO_UNDERSCORE_ALIAS(reorder1_varnexo_);

// exported as reorder2_varnexo_
extern "C" VARNEXO_EXPORT void reorder2_varnexo_(
    int32_t* ibasic, double* rbasic, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm,
    const int32_t* invp, const int32_t* colcnt, const int32_t* xsuper, const int32_t* snode,
    const int32_t* table, int32_t* xlindx, int32_t* lindx, int32_t* xlnz, int32_t* xunz, int32_t* nmod,
    int32_t* schedule, int32_t* mark1, int32_t* mark2, int32_t* seprows, int32_t* sparent, int32_t* work,
    const int32_t* work_len) {
  const driver::Control ctl(ibasic, rbasic, nullptr);
  const ordering::Step2Arrays a{xadj,  adjncy, perm,    invp,    colcnt, xsuper,   snode,
                                table, xlindx, lindx,   xlnz,    xunz,   nmod,     schedule,
                                mark1, mark2,  seprows, sparent, work,   *work_len};
  ordering::Step2Result r;
  int32_t thrown = 0;
  guard_entry(&thrown, {-180, -180}, [&] { r = ordering::reorder2(a, driver::step2_options(ctl)); });
  if (thrown != 0) r.status = ordering::AnalysisStatus::failed;
  driver::record_step2(ctl, r);
}
VARNEXO_UNDERSCORE_ALIAS(reorder2_varnexo_);
