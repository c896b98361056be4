vexa_add_bench(lock_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/lock_bench.cpp LIBS vexarepos_static)
