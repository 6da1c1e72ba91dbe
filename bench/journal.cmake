# The journal queries of a busy date and one save with its day hours, on the benchmark database.
add_executable(bench_journal ${CMAKE_CURRENT_LIST_DIR}/bench_journal.cpp)
target_link_libraries(bench_journal PRIVATE tabel_journal)
# The month-close and history triggers' cost on a save, with and without them in one run.
add_executable(bench_extension ${CMAKE_CURRENT_LIST_DIR}/bench_extension.cpp)
target_link_libraries(bench_extension PRIVATE tabel_journal)
