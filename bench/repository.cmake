vexa_add_bench(repository_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/repository_bench.cpp LIBS vexarepos_static)
