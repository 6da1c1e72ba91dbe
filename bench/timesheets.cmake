# The month's rebuild of shift rows, set-based against the day-by-day writes, and the four
# monthly timesheets of a busy month, on the benchmark database.
add_executable(bench_timesheets ${CMAKE_CURRENT_LIST_DIR}/bench_timesheets.cpp)
target_link_libraries(bench_timesheets PRIVATE tabel_timesheets)
