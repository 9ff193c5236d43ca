# The dependencies come from Debian packages; scripts/install-deps.sh installs them.
# Each failure names the package that is missing.
set(BLA_VENDOR OpenBLAS)
find_package(BLAS)
if(NOT BLAS_FOUND)
  message(FATAL_ERROR "BLAS not found: install the Debian package libopenblas-dev (scripts/install-deps.sh)")
endif()
find_package(LAPACK)
if(NOT LAPACK_FOUND)
  message(FATAL_ERROR "LAPACK not found: install the Debian package liblapack-dev (scripts/install-deps.sh)")
endif()
find_path(METIS_INCLUDE_DIR metis.h)
find_library(METIS_LIBRARY metis)
if(NOT METIS_INCLUDE_DIR OR NOT METIS_LIBRARY)
  message(FATAL_ERROR "METIS 5 not found: install the Debian package libmetis-dev (scripts/install-deps.sh)")
endif()

# The factorisation and the solve run their subtrees on threads of their own (std::thread).
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

add_library(varnexo_deps INTERFACE)
add_library(varnexo::deps ALIAS varnexo_deps)
target_include_directories(varnexo_deps INTERFACE $<BUILD_INTERFACE:${METIS_INCLUDE_DIR}>)
target_link_libraries(varnexo_deps INTERFACE
  $<BUILD_INTERFACE:${METIS_LIBRARY}> $<BUILD_INTERFACE:${LAPACK_LIBRARIES}> $<BUILD_INTERFACE:${BLAS_LIBRARIES}> Threads::Threads m)
