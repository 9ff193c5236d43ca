// Control words -> options of the ordering and symbolic steps, and their results -> control
// words and stage times (driver -> ordering -> driver).
#include "driver/analysis_options.h"

#include "common/matrix_kind.h"

namespace varnexo::driver {

ordering::Step1Options step1_options(const Control& ctl) {
  const MatrixKind* kind = find_kind(ctl.matrix_type());
  ordering::Step1Options o;
  o.unsymmetric_graph = kind != nullptr && kind->unsymmetric();
  o.one_triangle = ctl.symmetric_storage() == 1;
  o.adjacency_size = ctl.adjacency_size();
  o.method = static_cast<ordering::OrderingMethod>(ctl.ordering());
  o.use_given_perm = ctl.user_perm() > 0;
  // The value-symmetric kinds that took a matching are ordered as the matching paired them.
  o.symmetric_matching =
      kind != nullptr && kind->matching_applies && !kind->unsymmetric() && ctl.matching() >= 1;
  o.nproc = ctl.nproc();
  o.requested_domains = ctl.domains();
  o.table_size = ctl.table_words();
  o.dissection_driver = ctl.matching_option();
  o.maxint = ctl.ordering_maxint();
  o.mmd_delta = ctl.mmd_delta();
  o.message_level = ctl.message_level();
  o.unit = ctl.output_unit();
  o.separator_mmd = ctl.separator_mmd() != 0;
  o.panel_width = ctl.panel_width();
  o.relaxed_supernodes = ctl.relaxed_supernodes() == 1;
  return o;
}

void record_step1(const Control& ctl, const ordering::Step1Result& r) {
  ctl.error_num() = static_cast<int32_t>(r.status);
  ctl.adjacency_size() = r.adjacency_size;
  ctl.stage_time(1) += r.graph_seconds;
  ctl.stage_time(2) += r.ordering_seconds;
  // A failed graph or ordering leaves the words of the tree untouched.
  if (r.status == ordering::AnalysisStatus::failed) return;
  ctl.word(80) = ctl.word(81) = 0;
  ctl.nnz_l() = r.nnz_l;
  ctl.nsuper() = r.nsuper;
  ctl.largest_chain() = r.largest_chain;
  ctl.lindx_size() = r.lindx_size;
  ctl.domains() = r.domains;
  ctl.stage_time(3) += r.tree_seconds;
}

ordering::Step2Options step2_options(const Control& ctl) {
  ordering::Step2Options o;
  o.n = ctl.n();
  o.nsuper = ctl.nsuper();
  o.domains = ctl.domains();
  o.lindx_size = ctl.lindx_size();
  o.one_triangle = ctl.symmetric_storage() == 1;
  return o;
}

void record_step2(const Control& ctl, const ordering::Step2Result& r) {
  ctl.error_num() = static_cast<int32_t>(r.status);
  if (r.status != ordering::AnalysisStatus::ok) return;
  ctl.lnz_size() = r.lnz_size;
  ctl.unz_size() = r.unz_size;
  ctl.domain_l_size() = r.domain_l_size;
  ctl.domain_u_size() = r.domain_u_size;
  ctl.temp_size() = r.temp_size;
  ctl.temp_factor() = r.temp_factor;
  ctl.word(22) = 1;
  ctl.longest_column() = r.longest_column;
  ctl.mflops() = 0.0;
  ctl.stage_time(3) += r.seconds;
}

}  // namespace varnexo::driver
