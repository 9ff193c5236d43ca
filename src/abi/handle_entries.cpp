// Exported handle routines over the control arrays: the initialisation of the control words at
// an analysis, the copy of the symmetric matching's pairs into the structure block, and the
// sizes of the numerical blocks. Each reads the words through the driver's Control view and
// calls the driver's C++ routine.
#include <cstdint>
#include <cstring>

#include "abi/abi_entries.h"
#include "common/export.h"
#include "driver/analysis_steps.h"
#include "driver/control.h"
#include "driver/handle.h"
#include "driver/handle_routines.h"

using namespace varnexo;
using namespace varnexo::driver;

extern "C" {

// exported as ini_basic_fc_
VARNEXO_EXPORT void ini_basic_fc_(void* handle, const int32_t* message_level, const int32_t* first,
                                  int32_t* iparam, int32_t* ibasic, double* rbasic, int32_t* iadr,
                                  const int32_t* max_fac_store, int32_t* fact_adr,
                                  const int32_t* matrix_type) {
  // The handle's own BASIC and FACT_ADR blocks are the ones initialised; the array arguments
  // are accepted for callers that pass them and must be the handle's.
  (void)message_level, (void)first, (void)ibasic, (void)rbasic, (void)iadr, (void)max_fac_store,
      (void)fact_adr;
  ini_basic(Handle(handle), {iparam, 64}, *matrix_type);
}
VARNEXO_UNDERSCORE_ALIAS(ini_basic_fc_);

// exported as ddist_init_varnexo_: copies the 2x2 pair list of the symmetric matching (2·ibasic(60)+2 words)
// into the structure block of the analysis from word 5n+8 on.
VARNEXO_EXPORT void ddist_init_varnexo_(const int32_t* ibasic, int32_t* structure_block,
                                        const int32_t* pairs) {
  copy_pair_list(Control(const_cast<int32_t*>(ibasic), nullptr, nullptr), structure_block, pairs);
}
VARNEXO_UNDERSCORE_ALIAS(ddist_init_varnexo_);

// exported as fact_cgs_alloc_fc_
VARNEXO_EXPORT void fact_cgs_alloc_fc_(const int32_t* at_analysis, int32_t* ido, const int32_t* nb,
                                       int64_t* factor_size, int64_t* cgs_size, int64_t* work_size,
                                       int32_t* ibasic, int32_t* iadr, int32_t* fact_adr_entry) {
  FactEntry entry;
  std::memcpy(&entry, fact_adr_entry, sizeof entry);
  BlockSizes s = fact_cgs_alloc(*at_analysis != 0, *ido, *nb, Control(ibasic, nullptr, iadr), entry);
  *factor_size = s.factor;
  *cgs_size = s.cgs;
  *work_size = s.work;
}
VARNEXO_UNDERSCORE_ALIAS(fact_cgs_alloc_fc_);

}  // extern "C"
