# Copy throughput of the file system's tree copy against a plain read/write
# loop and cp -r, on a tree of 1,000 files of 100 KB.
vexa_add_bench(copy_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/copy_bench.cpp
  LIBS vexavfs)
