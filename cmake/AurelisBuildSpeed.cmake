# What makes a build of the whole suite short on a small machine: the Qt and
# standard headers parsed once per build instead of once per source file, a
# linker that links the many test programs in a fraction of the time, and
# ccache when the developer has it. None of it is required: without ccache or
# lld the build is the same, only slower.

# ccache caches the precompiled headers too, with the settings it needs for
# them: the header's macros and times are not part of what it compares.
find_program(AURELIS_CCACHE ccache)
if(AURELIS_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(_ccache ${CMAKE_COMMAND} -E env
      CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime ${AURELIS_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${_ccache})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${_ccache})
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # clang stamps its precompiled header with the time it was made, which
    # ccache would see as a new header each build.
    add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:SHELL:-Xclang -fno-pch-timestamp>")
  endif()
endif()

# lld links a program in about a fifth of the time the default linker takes.
option(AURELIS_LLD "Link with lld where the compiler can" ON)
if(AURELIS_LLD)
  include(CheckLinkerFlag)
  check_linker_flag(CXX "-fuse-ld=lld" AURELIS_HAVE_LLD)
  if(AURELIS_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  endif()
endif()

# The headers that most source files include, parsed once: one precompiled
# header for the libraries and the benchmarks, one with the test framework for
# the tests. Every target that reuses one is compiled with the same options as
# the target that made it (the options are set for the whole build); macros a
# target adds of its own do not appear in these headers.
option(AURELIS_PCH "Precompile the common Qt and standard headers" ON)
set(AURELIS_COMMON_HEADERS
    <QAction> <QApplication> <QByteArray> <QDir> <QFile> <QFileInfo> <QHash> <QImage> <QLabel> <QLineEdit>
    <QPainter> <QPointer> <QPushButton> <QScrollBar> <QSet> <QString> <QStringList> <QTextDocument> <QTimer>
    <QWidget> <algorithm> <functional> <memory> <optional> <vector>)

# A target of no code of its own that makes the precompiled header `name` from
# these headers, with the given link libraries' compile options.
function(aurelis_pch_target name)
  cmake_parse_arguments(ARG "" "" "HEADERS;LIBRARIES" ${ARGN})
  set(_src ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
  file(WRITE ${_src} "// Only here to make the precompiled header.\n")
  add_library(${name} OBJECT ${_src})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES})
  target_precompile_headers(${name} PRIVATE ${ARG_HEADERS})
endfunction()

# `target` reads its C++ sources' common headers from the precompiled header `pch`.
function(aurelis_use_pch target pch)
  if(AURELIS_PCH)
    target_precompile_headers(${target} REUSE_FROM ${pch})
  endif()
endfunction()

if(AURELIS_PCH)
  # Every program runs threads, and the libraries that start them are built
  # with -pthread, which defines a macro of its own: all code is built with it,
  # or the precompiled header would not fit them all.
  add_compile_options(-pthread)
  aurelis_pch_target(aurelis_pch HEADERS ${AURELIS_COMMON_HEADERS} LIBRARIES Qt6::Widgets)
endif()
