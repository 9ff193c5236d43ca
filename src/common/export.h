// Export markers. The library is built with hidden visibility; what it exports is listed here.
// Every internal routine with a specified name is exported twice, under its name and with a
// leading underscore; both symbols come from one definition through an alias.
#pragma once

#define VARNEXO_EXPORT __attribute__((visibility("default")))

// Declares `_name` as a second exported symbol of the extern "C" function `name`, defined in
// the same translation unit.
#define VARNEXO_UNDERSCORE_ALIAS(name) \
  extern "C" VARNEXO_EXPORT decltype(name) _##name __attribute__((alias(#name)))
