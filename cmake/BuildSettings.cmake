# Build-time settings. Defaults point at the development backend, so a fresh
# checkout runs offline; NIMBELORA_BACKEND_URL overrides the origin at run time.
set(NIMBELORA_BACKEND_ORIGIN "http://127.0.0.1:8765" CACHE STRING "Backend origin (scheme, host, port)")
set(NIMBELORA_API_KEY "dev-key" CACHE STRING "Value of the X-Ombri-Key header")
set(NIMBELORA_THUMB_ORIGIN "" CACHE STRING "Thumbnail host origin; empty follows the backend origin")
set(NIMBELORA_SIGNIN_PAGE "http://accounts.localhost:8765/signin" CACHE STRING "Web sign-in page")
set(NIMBELORA_VIDEO_SITE_DOMAIN "video.localhost" CACHE STRING "Domain of the video site's account cookies")
set(NIMBELORA_PROVIDER_DOMAIN "accounts.localhost" CACHE STRING "Domain of the sign-in provider")

if(CMAKE_BUILD_TYPE STREQUAL "Release")
  foreach(origin NIMBELORA_BACKEND_ORIGIN NIMBELORA_THUMB_ORIGIN)
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
