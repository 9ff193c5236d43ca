// Options of the varnexo-solve command: what to solve, how to call the library, where to write.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace varnexo::tools {

struct CommandOptions {
  std::string matrix_path;  // A.mtx, or empty with `generate`
  std::string generate;     // problem description of generators.h, e.g. "laplace3d:40"
  std::string rhs_path;     // -b
  std::string output_path;  // -o
  int32_t matrix_type = 0;  // --type; 0 chooses from the file header or the problem
  std::vector<int32_t> phases{11, 22, 33};
  int32_t nrhs = 0;             // --nrhs; 0: one, or every column of -b
  int32_t ordering = -1;        // --ordering mmd|cmd|nd -> 0|1|2
  int32_t nproc = 1;            // --nproc, 1..kMaxProcessors
  double tolerance = 1e-10;     // --tol: largest backward error accepted as a solution
  int32_t max_refine = -1000;   // --refine; -1000 keeps the library's default
  int32_t cgs_code = 0;         // --cgs: iparam(4), 0 refines instead of iterating
  int32_t pivot_exponent = -1;  // --pivot-eps 1e-8 -> 8
  int32_t matching = -1;        // --matching 0..4 (iparam(13)); -1 keeps the default
  int32_t scaling = -1;         // --scaling 0..2 (iparam(11)); -1 keeps the default
  bool transpose = false;
  bool single = false;   // --single: factor and solve in single precision, refined in double
  bool relaxed = false;  // --relaxed: relaxed supernodes (iparam(31))
  int32_t panel = 0;     // --panel: panel width of the symmetric types (iparam(30)); 0 the default
  int32_t message_level = 0;
  bool help = false;
  bool builtin = false;  // no argument at all: the built-in problem
};

// Largest --nproc, the largest processor count the library plans its factor layout for.
inline constexpr int32_t kMaxProcessors = 64;

// The problem solved when the command is run without arguments (about 64,000 unknowns).
inline constexpr const char* kBuiltinProblem = "laplace3d:40";

// Parses argv[1..argc-1]. Returns false with `error` set to one line naming the option (or the
// extra argument) that is wrong.
bool parse_options(int argc, const char* const* argv, CommandOptions& out, std::string& error);

// The help text.
std::string usage();

}  // namespace varnexo::tools
