// Control words -> options of the factorisation and the solve, and their results -> control
// words and detailed error numbers (driver -> factor, solve -> driver).
#include "driver/numeric_options.h"

#include <algorithm>
#include <ctime>

namespace varnexo::driver {
namespace {

double seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

bool single_factor_requested(const Control& ctl, const MatrixKind& kind) {
  const int32_t request = ctl.single_precision();
  if (request == 0) return false;
  if (request == kSingleForEveryKind) return true;
  if (!kind.single_on_request) return false;
  const bool plain = ctl.plain_family() == 1 || ctl.force_plain() > 0;
  return plain || !kind.indefinite();
}

factor::FactorOptions factor_options(const Control& ctl, const MatrixKind& kind, FactorStorage storage,
                                     const int32_t* domain_table) {
  factor::FactorOptions o;
  o.kind = &kind;
  o.storage = storage;
  o.bunch_kaufman = ctl.pivoting() != 0;
  o.eps_exponent = ctl.eps_exponent();
  o.scaling = ctl.scaling() >= 1;
  o.nproc = std::max(1, ctl.nproc());
  o.plain_family = ctl.plain_family() == 1 || ctl.force_plain() > 0;
  o.domains.nd = ctl.domains();
  o.domains.table = domain_table;
  o.domains.domain_mode = ctl.domain_mode() != 0;
  o.single_precision = single_factor_requested(ctl, kind);
  o.temp_values = ctl.temp_size();
  return o;
}

void record_factor_start(const Control& ctl) {
  if (ctl.last_stamp() > 0.0) ctl.stage_time(5) += std::max(0.0, seconds() - ctl.last_stamp());
}

void record_factor_result(const Control& ctl, const factor::FactorResult& r) {
  if (r.counts_perturbed) ctl.perturbed() = r.perturbed;
  if (r.counts_inertia) {
    ctl.positive() = r.positive;
    ctl.negative() = r.negative;
  }
  ctl.error_num() = static_cast<int32_t>(r.status);
  if (r.status != factor::FactorStatus::ok)
    ctl.factor_failed() = -1;
  else
    ctl.stage_time(6) = r.seconds;
}

solve::SolveOptions solve_options(const Control& ctl, const MatrixKind& kind, FactorStorage storage,
                                  bool into_b) {
  solve::SolveOptions o;
  o.kind = &kind;
  o.storage = storage;
  o.transposed = storage == FactorStorage::lu && ctl.transposed() != 0;
  const int32_t part = ctl.solve_part();
  o.stage = part == 1   ? solve::SolveStage::forward_only
            : part == 2 ? solve::SolveStage::backward_only
                        : solve::SolveStage::whole;
  o.bunch_kaufman = ctl.pivoting() != 0;
  o.scaling = ctl.scaling() >= 1;
  o.single_precision = single_factor_requested(ctl, kind);
  o.into_b = into_b;
  return o;
}

}  // namespace varnexo::driver
