vexa_add_bench(settings_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_bench.cpp LIBS vexarepos_static)
