// No C++ exception leaves an exported entry: the body of an entry that can throw (a growing
// std::vector, new, std::string) runs under a guard that turns a failed allocation into the
// routine's memory status and any other exception into its internal-error status.
#pragma once
#include <cstdint>
#include <new>
#include <stdexcept>

namespace varnexo {

// The statuses an entry reports when its body throws: `memory` when an allocation failed
// (std::bad_alloc, or a size beyond what a container can hold), `internal` for anything else.
struct EntryFailure {
  int32_t memory = 0;
  int32_t internal = 0;
};

// Runs body(), which reports through the entry's own arguments; when it throws, writes the
// failure's status to *status (not when status is null: an entry without a status argument
// then just returns).
template <class Body>
void guard_entry(int32_t* status, EntryFailure failure, Body&& body) noexcept {
  int32_t code = 0;
  try {
    body();
    return;
  } catch (const std::bad_alloc&) {
    code = failure.memory;
  } catch (const std::length_error&) {
    code = failure.memory;
  } catch (...) {
    code = failure.internal;
  }
  if (status != nullptr) *status = code;
}

// Runs body() and returns its status, or the failure's status when it throws.
template <class Body>
int32_t guard_status(EntryFailure failure, Body&& body) noexcept {
  int32_t code = failure.internal;
  guard_entry(&code, failure, [&] { code = body(); });
  return code;
}

}  // namespace varnexo
