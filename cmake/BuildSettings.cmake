# Build-time settings. Defaults point at the development backend, so a fresh
# checkout runs offline; NIMBELORA_BACKEND_URL overrides the origin at run time.
set(NIMBELORA_BACKEND_ORIGIN "http://127.0.0.1:8765" CACHE STRING "Backend origin (scheme, host, port)")
set(nimbelora_dev_key "7d3f09b2c4e85a6f1b0c9d8e2a4f6b13")
set(NIMBELORA_API_KEY "${nimbelora_dev_key}" CACHE STRING "Value of the X-Ombri-Key header: 32 lower-case hex digits")
# Build folders configured before the key had to take this form still hold
# the old default; they move to the new one.
if(NIMBELORA_API_KEY STREQUAL "dev-key")
  set_property(CACHE NIMBELORA_API_KEY PROPERTY VALUE "${nimbelora_dev_key}")
endif()
string(LENGTH "${NIMBELORA_API_KEY}" nimbelora_key_length)
if(NOT NIMBELORA_API_KEY MATCHES "^[0-9a-f]+$" OR NOT nimbelora_key_length EQUAL 32)
  message(FATAL_ERROR "NIMBELORA_API_KEY must be 32 lower-case hexadecimal digits (is '${NIMBELORA_API_KEY}')")
endif()
set(NIMBELORA_THUMB_ORIGIN "" CACHE STRING "Thumbnail host origin; empty follows the backend origin")
set(NIMBELORA_SIGNIN_PAGE "http://accounts.localhost:8765" CACHE STRING "Sign-in provider's origin (the app sets the page's path)")
set(NIMBELORA_VIDEO_SITE_DOMAIN "video.localhost" CACHE STRING "Domain of the video site's account cookies")
set(NIMBELORA_PROVIDER_DOMAIN "accounts.localhost" CACHE STRING "Domain of the sign-in provider")

set(NIMBELORA_RELEASE_BUILD false)
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  set(NIMBELORA_RELEASE_BUILD true)
  foreach(origin NIMBELORA_BACKEND_ORIGIN NIMBELORA_THUMB_ORIGIN NIMBELORA_SIGNIN_PAGE)
    if(NOT "${${origin}}" STREQUAL "" AND NOT "${${origin}}" MATCHES "^https://")
      message(FATAL_ERROR "${origin} must be an https origin in a release build (is '${${origin}}')")
    endif()
  endforeach()
endif()

configure_file(${CMAKE_SOURCE_DIR}/src/config/BuildConfig.h.in
               ${CMAKE_BINARY_DIR}/generated/BuildConfig.h @ONLY)
add_library(buildconfig INTERFACE)
target_include_directories(buildconfig INTERFACE ${CMAKE_BINARY_DIR}/generated)

set(NIMBELORA_WEBSITE_URL "https://nimbelora.app/" CACHE STRING "The product's web page (https)")
if(NOT NIMBELORA_WEBSITE_URL MATCHES "^https://")
  message(FATAL_ERROR "NIMBELORA_WEBSITE_URL must be an https URL (is '${NIMBELORA_WEBSITE_URL}')")
endif()
