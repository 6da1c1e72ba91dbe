# Many workstations at once against a private cluster (scripts/soak); never part of the tests.
add_executable(soak ${CMAKE_CURRENT_LIST_DIR}/soak.cpp)
target_link_libraries(soak PRIVATE tabel_journal tabel_timesheets)
