# How the build is made quick. Nothing here changes what a program does.

# lld links the hundred or so test and bench programs several times faster
# than the default linker.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld NIMBELORA_HAVE_LLD)
if(NIMBELORA_HAVE_LLD)
  add_link_options(-fuse-ld=lld)
endif()

# Debug information stays in a .dwo file beside each object instead of being
# copied into every program that links it: each test program links the whole
# app, so this keeps some 100 copies of it off the disk and out of the linker.
# gdb and the sanitizers' symbolizer read the .dwo files from the build folder.
# The linker puts an index of the names in their place, for gdb.
if(NOT NIMBELORA_FUZZ)
  add_compile_options($<$<CONFIG:Debug,RelWithDebInfo>:-gsplit-dwarf>)
  if(NIMBELORA_HAVE_LLD)
    add_link_options($<$<CONFIG:Debug,RelWithDebInfo>:LINKER:--gdb-index>)
  endif()
endif()

# moc reads only sources and the configured BuildConfig.h, never a file
# another target makes: a target's moc need not wait for the libraries it
# links to be built, so the layers and the tests compile side by side.
set(CMAKE_AUTOGEN_ORIGIN_DEPENDS OFF)

# nimbelora_unity(<target>): the target's sources, the compiled QML among them,
# are compiled eight to a unit. Each file must then stand beside the others:
# no file-local name (anonymous namespace, static) twice in one target.
function(nimbelora_unity target)
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
endfunction()

# The Qt, QCoro and standard headers that nearly every test and bench
# program includes, compiled once per folder: the first program of a folder
# (the test harness for tests/) holds them, the others reuse them.
set(NIMBELORA_PCH_HEADERS
  <QtTest/QTest> <QtTest/QSignalSpy>
  <QtCore/QCoreApplication> <QtCore/QDir> <QtCore/QElapsedTimer> <QtCore/QFile>
  <QtCore/QJsonArray> <QtCore/QJsonDocument> <QtCore/QJsonObject> <QtCore/QProcess>
  <QtCore/QTemporaryDir> <QtCore/QTimer> <QtCore/QUrlQuery>
  <QtGui/QGuiApplication> <QtGui/QImage>
  <QtQml/QQmlComponent> <QtQml/QQmlEngine>
  <QtQuick/QQuickItem> <QtQuick/QQuickWindow>
  <QtNetwork/QNetworkAccessManager> <QtNetwork/QNetworkReply>
  <QCoroTask>
  <algorithm> <functional> <memory>)

# nimbelora_reuse_pch(<target> <holder>): <target> compiles with <holder>'s
# precompiled header, all but its moc file: loading the header costs a second
# or so, and that file (empty when the test includes its own .moc) needs none.
function(nimbelora_reuse_pch target holder)
  target_precompile_headers(${target} REUSE_FROM ${holder})
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/mocs_compilation.cpp
    PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
endfunction()
