# Compile options shared by every target of ours.
#  - warnings are errors on both compilers;
#  - no fast-math and no FMA contraction: the DSP must give the same bits on both builds and
#    whatever the host's block size;
#  - symbols hidden by default, the plug-in exports only its entry points.
add_library(ostrel_options INTERFACE)
target_compile_options(ostrel_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Wunused -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion -Wformat=2
  -Wimplicit-fallthrough -Werror
  -ffp-contract=off -fno-fast-math -fvisibility=hidden -fvisibility-inlines-hidden)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(ostrel_options INTERFACE -Wduplicated-cond -Wlogical-op -Wuseless-cast)
endif()
target_include_directories(ostrel_options INTERFACE ${CMAKE_SOURCE_DIR})

if(OSTREL_SANITIZE)
  add_compile_options(-fsanitize=${OSTREL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${OSTREL_SANITIZE})
endif()
