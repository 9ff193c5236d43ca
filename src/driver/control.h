// Named access to the numbered words of the handle's BASIC block: the integer control words
// (ibasic), the stage times and real control values (rbasic) and the start positions of the
// sub-arrays inside the work blocks (iadr). The words keep their stored layout, which callers
// and the memory figures rely on; only the driver and the exported entries of src/abi read and
// write them, and only through this view.
#pragma once
#include <cstdint>

#include "driver/handle.h"

namespace varnexo::driver {

// Start positions of the numerical blocks among the positions (the analysis layouts are in
// storage_layout.h). WORK_R0's position holds the sentinel while the block does not exist.
enum NumericPosition : int32_t { kLValuesStart = 41, kUValuesStart = 42, kCgsStart = 57, kWorkR0Start = 75 };

class Control {
 public:
  // Any of the three arrays may be null when the caller has none; its accessors are not used.
  Control(int32_t* ibasic, double* rbasic, int32_t* iadr) : ib_(ibasic), rb_(rbasic), iadr_(iadr) {}
  explicit Control(Basic& b) : Control(b.ibasic, b.rbasic, b.iadr) {}

  // ---- The matrix and the call -----------------------------------------------------------------
  int32_t& n() const { return ib(1); }
  int32_t& n_plus_1() const { return ib(2); }
  int32_t& triangle_entries() const { return ib(3); }  // off-diagonal entries of one triangle
  int32_t& adjacency_size() const { return ib(4); }    // words of the adjacency structure
  int32_t& doubles_per_entry() const { return ib(5); }
  int32_t& solution_on_b() const { return ib(8); }  // iparam(6)
  // Word 9 is the largest integer the minimum-degree orderings may use during an analysis and
  // the change in the number of stored factors when the statistics are printed.
  int32_t& ordering_maxint() const { return ib(9); }
  int32_t& deleted_factors() const { return ib(9); }
  // Word 10 is the output unit of the orderings' messages (6), or -1 when the handle failed its
  // initialisation.
  int32_t& init_state() const { return ib(10); }
  int32_t& output_unit() const { return ib(10); }
  int32_t& message_level() const { return ib(11); }
  int32_t& matrix_type() const { return ib(12); }
  int32_t& entries() const { return ib(54); }  // stored entries nnz of the analysed matrix
  int32_t& max_fac_store() const { return ib(49); }
  int32_t& error_num() const { return ib(50); }

  // ---- Choices of the analysis -----------------------------------------------------------------
  int32_t& mmd_delta() const { return ib(13); }  // tolerance of the multiple elimination
  int32_t& ordering() const { return ib(14); }   // 0 minimum degree, 1 constrained, 2 dissection
  int32_t& nproc() const { return ib(15); }
  int32_t& panel_width() const { return ib(16); }
  int32_t& separator_mmd() const { return ib(17); }      // constrained ordering: separators by mmd
  int32_t& symmetric_storage() const { return ib(19); }  // 1: one triangle (L only)
  int32_t& plain_family() const { return ib(20); }       // 1 plain kernels, 0 scheduled
  int32_t& user_perm() const { return ib(21); }          // iparam(5)
  int32_t& domains() const { return ib(60); }            // domain request, then domains found (or pairs)
  int32_t& table_words() const { return ib(61); }        // max(4·domains + 4, 16)
  int32_t& matching() const { return ib(67); }           // matching choice, 0 none
  int32_t& transposed() const { return ib(68); }         // iparam(12)
  int32_t& scaling() const { return ib(69); }            // 1 scaling on
  int32_t& domain_mode() const { return ib(70); }        // iparam(24)
  int32_t& solve_partition() const { return ib(71); }    // iparam(25)
  int32_t& matching_option() const { return ib(82); }    // iparam(28)
  int32_t& single_precision() const { return ib(83); }
  int32_t& relaxed_supernodes() const { return ib(84); }  // iparam(31): 1 relaxed supernodes

  // ---- Results of the analysis -----------------------------------------------------------------
  int32_t& update_entries() const { return ib(6); }   // entries of the update lists (+1 outside domain mode)
  int32_t& longest_column() const { return ib(23); }  // most entries of one column of L
  int32_t& update_qsize() const { return ib(28); }    // qptr(nsuper+1) of the update lists
  int32_t& nnz_l() const { return ib(30); }           // nonzeros of L with the diagonal
  int32_t& nsuper() const { return ib(31); }
  int32_t& largest_chain() const { return ib(32); }  // longest chain of joinable columns
  int32_t& lnz_size() const { return ib(34); }
  int32_t& unz_size() const { return ib(35); }
  int32_t& lindx_size() const { return ib(36); }
  int32_t& temp_size() const { return ib(37); }      // values of the update buffer temp
  int32_t& temp_factor() const { return ib(38); }    // temp is this many times the largest block
  int32_t& work_i0_words() const { return ib(45); }  // integer work need M of the analysis
  int32_t& connected_sets() const { return ib(46); }
  int32_t& separator_supernodes() const { return ib(72); }
  int32_t& domain_l_size() const { return ib(78); }  // largest L storage of one domain stretch
  int32_t& domain_u_size() const { return ib(79); }

  // ---- Numerical phases ------------------------------------------------------------------------
  int32_t& work_size() const { return ib(7); }  // doubles of WORK_R0
  int32_t& cgs_code() const { return ib(18); }
  int32_t& cgs_budget() const { return ib(41); }
  int32_t& cgs_half_budget() const { return ib(42); }
  int32_t& refactorise() const { return ib(43); }  // 1: factorise before solving
  int32_t& solve_work_values() const { return ib(44); }
  int32_t& cgs_size() const { return ib(47); }
  int32_t& factor_failed() const { return ib(48); }  // -1 after a factorisation
  int32_t& pivoting() const { return ib(51); }       // iparam(21): 0 diagonal, else Bunch–Kaufman
  int32_t& output_switch() const { return ib(52); }  // solve entries: 1 writes the solution into b
  int32_t& perturbed() const { return ib(62); }
  int32_t& positive() const { return ib(63); }
  int32_t& negative() const { return ib(64); }
  int32_t& refinement_steps() const { return ib(65); }
  int32_t& eps_exponent() const { return ib(66); }  // iparam(10)
  int32_t& solve_part() const { return ib(73); }    // iparam(26)
  int32_t& force_plain() const { return ib(74); }   // above 0 forces the plain kernels
  int32_t& peak_kb() const { return ib(75); }
  int32_t& permanent_kb() const { return ib(76); }
  int32_t& factor_kb() const { return ib(77); }

  // Words written with fixed values at each analysis and otherwise unread.
  int32_t& word(int k) const { return ib(k); }

  // ---- rbasic ----------------------------------------------------------------------------------
  double& stage_time(int k) const { return rb(k); }  // 1..10: accumulated stage times
  double& cgs_tolerance() const { return rb(13); }
  double& mflops() const { return rb(15); }
  double& last_stamp() const { return rb(16); }  // time stamp of the last stage boundary
  double& real_word(int k) const { return rb(k); }

  // ---- iadr ------------------------------------------------------------------------------------
  // Start position (1-based word) of a sub-array; kSentinel while it is not laid out.
  int32_t& position(int32_t slot) const { return iadr_[slot - 1]; }
  int32_t* positions() const { return iadr_; }
  int32_t* ibasic() const { return ib_; }

 private:
  int32_t& ib(int k) const { return ib_[k - 1]; }
  double& rb(int k) const { return rb_[k - 1]; }

  int32_t* ib_;
  double* rb_;
  int32_t* iadr_;
};

}  // namespace varnexo::driver
