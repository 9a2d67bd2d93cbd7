# The runtime the bundle's manifest names. Each target the product ships has a pinned manifest in
# resources/runtime-manifests/, named after the standalone CPython build it downloads; any other
# target builds only with a manifest named here. Sets VLMR_SOURCE_MANIFEST.
set(VLMR_RUNTIME_MANIFEST "" CACHE FILEPATH
  "Runtime manifest for the bundle (scripts/make-manifest writes one); empty takes the one pinned for this target")

if(APPLE)
  # The architectures the bundle is built for, which may differ from the build machine's.
  set(vlmr_architectures "${CMAKE_OSX_ARCHITECTURES}")
  if(NOT vlmr_architectures)
    set(vlmr_architectures "${CMAKE_SYSTEM_PROCESSOR}")
  endif()
  if(vlmr_architectures STREQUAL "arm64")
    set(vlmr_runtime_target "aarch64-apple-darwin")
  endif()
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(vlmr_architectures "${CMAKE_SYSTEM_PROCESSOR}")
  set(vlmr_runtime_target "x86_64-unknown-linux-gnu")
else()
  set(vlmr_architectures "${CMAKE_SYSTEM_PROCESSOR}")
endif()

if(VLMR_RUNTIME_MANIFEST)
  set(VLMR_SOURCE_MANIFEST "${VLMR_RUNTIME_MANIFEST}")
  message(STATUS "Runtime manifest: ${VLMR_SOURCE_MANIFEST} (named by VLMR_RUNTIME_MANIFEST)")
elseif(vlmr_runtime_target)
  set(VLMR_SOURCE_MANIFEST "${CMAKE_SOURCE_DIR}/resources/runtime-manifests/${vlmr_runtime_target}.json")
  message(STATUS "Runtime manifest: ${VLMR_SOURCE_MANIFEST} (pinned for ${vlmr_runtime_target})")
else()
  message(FATAL_ERROR "No runtime is pinned for ${CMAKE_SYSTEM_NAME} on ${vlmr_architectures}, only for "
    "macOS on arm64 and Linux on x86_64. Name the manifest of a standalone CPython build for this target "
    "with -DVLMR_RUNTIME_MANIFEST=PATH (scripts/make-manifest ARCHIVE URL writes one).")
endif()
if(NOT EXISTS "${VLMR_SOURCE_MANIFEST}" OR IS_DIRECTORY "${VLMR_SOURCE_MANIFEST}")
  message(FATAL_ERROR "The runtime manifest ${VLMR_SOURCE_MANIFEST} is not a file")
endif()
