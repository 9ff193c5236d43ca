// Option parsing of the varnexo-solve command; every mistake becomes one line naming the option.
#include "command_options.h"

#include <charconv>
#include <cmath>

#include "generators.h"
#include "solver.h"

namespace varnexo::tools {
namespace {

bool to_int(const std::string& s, int32_t& v) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool to_double(const std::string& s, double& v) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool parse_phases(const std::string& s, std::vector<int32_t>& phases) {
  phases.clear();
  size_t at = 0;
  while (at <= s.size()) {
    const size_t comma = s.find(',', at);
    const std::string item = s.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    int32_t p;
    if (!to_int(item, p)) return false;
    phases.push_back(p);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return true;
}

// Applies the value of one option; false with `why` saying what the value should be.
bool apply_value(const std::string& opt, const std::string& v, CommandOptions& o, std::string& why) {
  int32_t i = 0;
  double d = 0.0;
  if (opt == "-b")
    o.rhs_path = v;
  else if (opt == "-o")
    o.output_path = v;
  else if (opt == "--generate")
    o.generate = v;
  else if (opt == "--type") {
    why = "expected one of 1, 2, -2, 3, 4, -4, 6, 11, 13";
    const bool ok = to_int(v, i) && (i == 1 || i == 2 || i == -2 || i == 3 || i == 4 || i == -4 || i == 6 ||
                                     i == 11 || i == 13);
    o.matrix_type = i;
    return ok;
  } else if (opt == "--phase") {
    why = "expected a comma-separated list of 11, 12, 13, 22, 23, 33 (e.g. 11,22,33)";
    if (!parse_phases(v, o.phases)) return false;
    std::string order;
    if (check_phases(o.phases, order)) return true;
    why = order;
    return false;
  } else if (opt == "--nrhs") {
    why = "expected a positive integer";
    return to_int(v, o.nrhs) && o.nrhs > 0;
  } else if (opt == "--ordering") {
    why = "expected mmd, cmd or nd";
    o.ordering = v == "mmd" ? 0 : v == "cmd" ? 1 : v == "nd" ? 2 : -1;
    return o.ordering >= 0;
  } else if (opt == "--nproc") {
    why = "expected an integer from 1 to " + std::to_string(kMaxProcessors);
    return to_int(v, o.nproc) && o.nproc > 0 && o.nproc <= kMaxProcessors;
  } else if (opt == "--panel") {
    why = "expected a panel width from 2 to 1024 (the columns of one supernode, symmetric types)";
    return to_int(v, o.panel) && o.panel >= 2 && o.panel <= 1024;
  } else if (opt == "--tol") {
    why = "expected a positive backward error such as 1e-10";
    return to_double(v, o.tolerance) && o.tolerance > 0.0;
  } else if (opt == "--refine") {
    why = "expected an integer (a negative value keeps a copy of the solution for the residual)";
    return to_int(v, o.max_refine) && o.max_refine > -1000;
  } else if (opt == "--cgs") {
    why = "expected a code ±(10·k + m): m 1 CGS, 2 CG, tolerance 1e-k; e.g. 61 or -2";
    return to_int(v, o.cgs_code) && o.cgs_code % 10 != 0;
  } else if (opt == "--pivot-eps") {
    why = "expected a threshold between 0 and 1 such as 1e-8";
    if (!to_double(v, d) || !(d > 0.0 && d < 1.0)) return false;
    o.pivot_exponent = static_cast<int32_t>(std::lround(-std::log10(d)));
    return true;
  } else if (opt == "--matching") {
    why = "expected 0 (off), 1, 2 (weighted matching; 2 keeps 2×2 blocks whole) or 3, 4 (saddle point)";
    return to_int(v, o.matching) && o.matching >= 0 && o.matching <= 4;
  } else if (opt == "--scaling") {
    why = "expected 0 (off), 1 or 2";
    return to_int(v, o.scaling) && o.scaling >= 0 && o.scaling <= 2;
  } else if (opt == "--msglvl") {
    why = "expected 0 or 1";
    return to_int(v, o.message_level) && (o.message_level == 0 || o.message_level == 1);
  }
  return true;
}

bool takes_value(const std::string& opt) {
  for (const char* o :
       {"-b", "-o", "--generate", "--type", "--phase", "--nrhs", "--ordering", "--nproc", "--refine", "--cgs",
        "--pivot-eps", "--matching", "--scaling", "--msglvl", "--tol", "--panel"})
    if (opt == o) return true;
  return false;
}

}  // namespace

bool parse_options(int argc, const char* const* argv, CommandOptions& out, std::string& error) {
  out = CommandOptions{};
  if (argc <= 1) {
    out.builtin = true;
    out.generate = kBuiltinProblem;
    return true;
  }
  for (int k = 1; k < argc; ++k) {
    std::string arg = argv[k], value;
    bool has_value = false;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
      has_value = true;
    }
    if (arg == "-h" || arg == "--help") {
      out.help = true;
    } else if (arg == "--transpose") {
      out.transpose = true;
    } else if (arg == "--single") {
      out.single = true;
    } else if (arg == "--relaxed") {
      out.relaxed = true;
    } else if (takes_value(arg)) {
      if (!has_value && k + 1 >= argc) {
        error = "option " + arg + " needs a value";
        return false;
      }
      if (!has_value) value = argv[++k];
      std::string why;
      if (!apply_value(arg, value, out, why)) {
        error =
            "option " + arg + ": " + why + (arg == "--phase" && why[0] == 'p' ? "" : ", got '" + value + "'");
        return false;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg + " (see --help)";
      return false;
    } else if (out.matrix_path.empty()) {
      out.matrix_path = arg;
    } else {
      error = "unexpected argument '" + arg + "': only one matrix file is read";
      return false;
    }
  }
  if (!out.help && out.matrix_path.empty() == out.generate.empty()) {
    error = out.matrix_path.empty() ? "no matrix: give a Matrix Market file or --generate PROBLEM"
                                    : "give either a matrix file or --generate, not both";
    return false;
  }
  return true;
}

std::string usage() {
  return "usage: varnexo-solve [A.mtx | --generate PROBLEM] [options]\n"
         "Solves A·X = B with varnexo and reports times, factor size and the backward error.\n"
         "Without any argument it solves the built-in problem " +
         std::string(kBuiltinProblem) +
         ".\n"
         "  -b B.mtx            right-hand sides (array or coordinate); default b = A·1\n"
         "  -o X.mtx            write the solution (array file)\n"
         "  --type T            matrix type 1, 2, -2, 3, 4, -4, 6, 11, 13; default from the file header\n"
         "                      (real symmetric 2, then -2 on a non-positive pivot; real general 11;\n"
         "                      complex hermitian 4, then -4; complex symmetric 6; complex general 13)\n"
         "  --phase LIST        phases to run in order, e.g. 11,22,33 (default) or 13\n"
         "  --nrhs K            number of right-hand sides (default 1, or the columns of -b)\n"
         "  --ordering ORD      mmd (minimum degree), cmd (constrained), nd (nested dissection, default)\n"
         "  --nproc P           processors the factor layout is planned for (1 to " +
         std::to_string(kMaxProcessors) +
         ", default 1)\n"
         "  --refine N          maximum number of iterative refinement steps\n"
         "  --cgs CODE          iterate with the stored factor as preconditioner instead of refining:\n"
         "                      CODE = ±(10·k + m), m 1 CGS, 2 CG (symmetric types), tolerance 1e-k;\n"
         "                      a negative CODE keeps the factor even when the iteration fails\n"
         "  --pivot-eps E       perturb pivots below E (a power of ten, e.g. 1e-8)\n"
         "  --matching M        weighted matching iparam(13): 0 off, 1, 2 (2×2 blocks kept whole),\n"
         "                      3, 4 (saddle point); default: the library's, and 2 for type -2\n"
         "                      with zero or missing diagonal entries\n"
         "  --scaling S         scaling of the matching iparam(11): 0 off, 1 or 2\n"
         "  --tol T             largest backward error accepted (default 1e-10); a larger or\n"
         "                      non-finite one ends with status 1 and no solution written\n"
         "  --transpose         solve Aᵀ·X = B (unsymmetric types)\n"
         "  --single            factor and solve in single precision, refined in double against A\n"
         "                      (10 refinement steps unless --refine says otherwise)\n"
         "  --relaxed           relaxed supernodes iparam(31): small supernodes joined into their\n"
         "                      parents, storing some zeros for fewer and larger block updates\n"
         "  --panel W           most columns of one supernode for the symmetric types iparam(30)\n"
         "                      (default 80; 160 with --relaxed suits large 3D problems)\n"
         "  --msglvl 0|1        1 prints the library's statistics\n"
         "  --generate PROBLEM     solve a generated problem instead of a file:\n" +
         generator_help() +
         "Exit status: 0 solved, 1 the library reported an error or the solution missed --tol, 2 bad\n"
         "file or option (or not enough memory for it).\n";
}

}  // namespace varnexo::tools
