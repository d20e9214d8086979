# nimbelora_layer(<target> URI <uri> [LIBS ...] [QML_SINGLETONS file.qml ...]
#                 [RESOURCES ...] [EXCLUDE file.cpp ...])
# One layer = one static library and one QML module. Sources are the layer's
# *.h/*.cpp (less EXCLUDE); QML files are those in its qml/ folder. LIBS are
# the layers it really uses (and whatever else it links): a layer sees the
# headers and QML modules of those and of the layers below them, no others.
function(nimbelora_layer target)
  cmake_parse_arguments(L "" "URI" "LIBS;QML_SINGLETONS;RESOURCES;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(f ${L_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
  file(GLOB qml_abs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/qml/*.qml)
  # The fuzz targets use only the C++ of a layer: no QML module to build.
  if(NIMBELORA_FUZZ)
    qt_add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${L_LIBS})
    nimbelora_unity(${target})
    return()
  endif()
  set(qml_files)
  foreach(f ${qml_abs})
    file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${f})
    list(APPEND qml_files ${rel})
  endforeach()
  foreach(s ${L_QML_SINGLETONS})
    set_source_files_properties(qml/${s} PROPERTIES QT_QML_SINGLETON_TYPE TRUE)
  endforeach()
  qt_add_library(${target} STATIC)
  qt_add_qml_module(${target}
    URI ${L_URI}
    VERSION 1.0
    SOURCES ${sources}
    QML_FILES ${qml_files}
    RESOURCES ${L_RESOURCES}
    NO_PLUGIN_OPTIONAL)
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  # AUTOMOC does not notice headers the glob adds: when the listing changes,
  # drop its timestamp so it scans again.
  set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
  set(old_listing "")
  if(EXISTS ${list_file})
    file(READ ${list_file} old_listing)
  endif()
  if(NOT old_listing STREQUAL "${sources}")
    file(WRITE ${list_file} "${sources}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
  endif()
  target_link_libraries(${target} PUBLIC ${L_LIBS})
  nimbelora_unity(${target})

  # Headers are held to the links by the include folders; QML is not (every
  # module is in the one resource tree at run time), so the build reads each
  # layer's QML imports and module paths and stops on one it does not link.
  set(uris ${L_URI})
  foreach(lib ${L_LIBS})
    if(TARGET ${lib})
      get_target_property(below ${lib} NIMBELORA_URIS)
      if(below)
        list(APPEND uris ${below})
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES uris)
  set_target_properties(${target} PROPERTIES NIMBELORA_URIS "${uris}")
  string(REPLACE ";" "," allowed "${uris}")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}_imports.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${target} -DALLOWED=${allowed} -DSTAMP=${stamp}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckLayerImports.cmake ${qml_abs} ${sources}
    DEPENDS ${qml_abs} ${sources} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckLayerImports.cmake
    VERBATIM)
  add_custom_target(${target}_imports DEPENDS ${stamp})
  add_dependencies(${target} ${target}_imports)
endfunction()
