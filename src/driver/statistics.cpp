// Messages at the end of a call with messages on: the banner, the summary line, the stage
// times and the statistics records (80 columns, label at column 14, value at column 62).
#include <algorithm>
#include <string>

#include "common/export.h"
#include "common/guard.h"
#include "common/matrix_kind.h"
#include "common/output.h"
#include "driver/driver_entries.h"
#include "driver/numeric_options.h"
#include "driver/phases.h"

namespace varnexo::driver {
namespace {

const char* phase_name(int32_t k) {
  switch (k) {
    case 1:
      return "reorder ";
    case 2:
      return "factorize ";
    case 3:
      return "solve ";
    default:
      return "clean ";
  }
}

void line(const std::string& text) { output::to_stdout(text); }
void int_record(const std::string& label, int32_t value) {
  output::to_stdout(output::statistics_record(label, "%d"), &value, 1);
}
void real_record(const std::string& label, double value, const char* format = "%f") {
  output::to_stdout_real(output::statistics_record(label, format), &value, 1);
}

}  // namespace

void banner(int32_t type) {
  output::empty_line();
  line(std::string("================  VARNEXO: solving a ") + banner_name_of(type) +
       " system  ================");
}

namespace {

void summary(const Call& c, int32_t ido) {
  output::empty_line();
  output::empty_line();
  if (ido <= 0)
    line(std::string("Summary VARNEXO: ( ") + phase_name(0) + ")");
  else
    line(std::string("Summary VARNEXO: ( ") + phase_name(ido / 10) + "to " + phase_name(ido % 10) + ")");
  line("==================");
  (void)c;
}

void times(const Call& c) {
  const Control ctl = c.ctl();
  static const char* const kStage[] = {"fulladj:", "reorder:", "symbfct:", "parlist:", "A to LU:",
                                       "numfct :", "solve  :", "cgs    :", "malloc :", "total  :"};
  line("Times:");
  line("======");
  output::empty_line();
  double sum = 0.0;
  for (int i = 1; i <= 10; ++i) {
    if (!c.done_flags[i - 1]) continue;
    const std::string name = kStage[i - 1];
    if (i == 8) {
      output::to_stdout_real_int("      " + name + " %f s cgx iterations %d", ctl.stage_time(8),
                                 c.iparam(20));
    } else if (i == 10) {
      // The stages are disjoint parts of the call; rounding alone could make the rest negative.
      const double v[2] = {ctl.stage_time(10), std::max(0.0, ctl.stage_time(10) - sum)};
      output::to_stdout_real("      Time " + name + " %f s total - sum: %f s", v, 2);
    } else {
      output::to_stdout_real("      Time " + name + " %f s", &ctl.stage_time(i), 1);
    }
    if (i <= 9) sum += ctl.stage_time(i);
  }
  output::empty_line();
}

void ordering_lines(const Control& ctl) {
  line("< Factors L and U >");
  if (ctl.ordering() == 0) {
    line("< preprocessing with multiple minimum degree, tree height >");
    line("< reduction for efficient parallel factorization >");
  }
  int_record("#columns for each panel:", ctl.panel_width());
  int_record("# of independent subgraphs:", ctl.connected_sets());
  if (ctl.user_perm() >= 1) {
    line(" < preprocessing with input permutation >");
  } else if (ctl.ordering() == 1) {
    line(" < preprocessing with multiple minimum degree with constraints >");
    line(ctl.separator_mmd() == 1 ? " < with multiple minimum degree on the separator nodes         >"
                                  : " <   no multiple minimum degree on the separator nodes         >");
  } else if (ctl.ordering() == 2) {
    line(" < preprocessing with state of the art partitioning metis>");
  }
}

void records(const Call& c, int32_t ido) {
  const Control ctl = c.ctl();
  line("Statistics:");
  line("===========");
  int32_t nproc = ctl.nproc();
  output::to_stdout(" < Parallel Direct Factorization with #processors: >             %d", &nproc, 1);
  // The factor of this call is in single precision; an analysis alone announces the factor its
  // words ask for.
  const MatrixKind* kind = find_kind(c.matrix_type);
  const bool single =
      ido % 10 >= 2 ? c.single_factor : kind != nullptr && single_factor_requested(ctl, *kind);
  if (single) {
    line(" < Using VARNEXO in 32-bit for factorization/solve >");
    output::empty_line();
  }
  if (!c.done_flags[7])  // no iteration ran in this call
    line(nproc > 1 ? " < Numerical Factorization with BLAS3 and O(n) synchronization >"
                   : " < Numerical Factorization with Level-3 BLAS performance >");
  else
    line(" < Hybrid Solver VARNEXO with CGS/CG Iteration >");
  output::empty_line();
  line(ctl.transposed() == 1 ? " < Linear system Ax = b> <transpose>" : " < Linear system Ax = b>");
  const double n = ctl.n(), nnz = ctl.entries();
  int_record("#equations:", ctl.n());
  int_record("#non-zeros in A:", ctl.entries());
  real_record("non-zeros in A (%%):", n > 0 ? 100.0 * nnz / (n * n) : 0.0);
  int_record("#right-hand sides:", c.nb);
  output::empty_line();
  ordering_lines(ctl);
  int_record("#supernodes:", ctl.nsuper());
  int_record("size of largest supernode:", ctl.largest_chain());
  int_record("number of nonzeros in L", ctl.lnz_size());
  int_record("number of nonzeros in U", ctl.unz_size());
  real_record("number of nonzeros in L+U", (double)ctl.lnz_size() + (double)ctl.unz_size(), "%g");
  if (ido > 11) {
    real_record("mflop   for the numerical factorization:", ctl.mflops());
    if (ctl.stage_time(6) > 0)
      real_record("mflop/s for the numerical factorization:", ctl.mflops() / ctl.stage_time(6));
    if (ctl.stage_time(17) > 0) real_record("||A||", ctl.stage_time(17));
  }
}

}  // namespace

void mark_stage_boundary(Call& c) { timer_varnexo_(&c.ctl().last_stamp()); }

void statistics(Call& c) {
  const Control ctl = c.ctl();
  if (ctl.message_level() >= 1) banner(c.matrix_type);
  double now = 0.0;
  timer_varnexo_(&now);
  ctl.stage_time(10) = now - ctl.stage_time(10);
  // The time of the call outside the timed stages is carried by the malloc stage.
  double timed = 0.0;
  for (int i = 1; i <= 8; ++i)
    if (c.done_flags[i - 1]) timed += ctl.stage_time(i);
  ctl.stage_time(9) = ctl.stage_time(10) > timed ? ctl.stage_time(10) - timed : 0.0;
  c.done_flags[9] = 1;
  c.done_flags[8] = 1;
  if (ctl.message_level() < 1) return;
  const int32_t ido = c.phase <= 0 ? 0 : (c.ido != 0 ? c.ido : c.phase);
  summary(c, ido);
  if (c.phase == 0) {
    if (c.deleted_factors > 0) {
      output::to_stdout(" L&U for matrix number %d deleted", &c.deleted_factors, 1);
    } else {
      int32_t k = -c.deleted_factors;
      output::to_stdout(" cleaned memory, deleted number of L&U-factorizations: %d", &k, 1);
    }
    output::empty_line();
    return;
  }
  times(c);
  records(c, ido);
}

}  // namespace varnexo::driver

extern "C" {

// The banner of a call with messages on.
VARNEXO_EXPORT void print_info_varnexo_(const int32_t* matrix_type) {
  varnexo::guard_entry(nullptr, {}, [&] { varnexo::driver::banner(*matrix_type); });
}
VARNEXO_UNDERSCORE_ALIAS(print_info_varnexo_);

}  // extern "C"
