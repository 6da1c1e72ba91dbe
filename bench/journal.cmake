# The journal queries of a busy date and one save with its day hours, on the benchmark database.
add_executable(bench_journal ${CMAKE_CURRENT_LIST_DIR}/bench_journal.cpp)
target_link_libraries(bench_journal PRIVATE tabel_journal)
# Two connections: from one's commit to the other's journal holding the line; a save with and
# without the notify.
add_executable(bench_live ${CMAKE_CURRENT_LIST_DIR}/bench_live.cpp)
target_link_libraries(bench_live PRIVATE tabel_journal)
# The month-close and history triggers' cost on a save, with and without them in one run.
add_executable(bench_extension ${CMAKE_CURRENT_LIST_DIR}/bench_extension.cpp)
target_link_libraries(bench_extension PRIVATE tabel_journal)
# "Запись" in the entry dialog to the journal window holding the line, beside the server's time
# for the same statements.
add_executable(bench_save ${CMAKE_CURRENT_LIST_DIR}/bench_save.cpp)
target_link_libraries(bench_save PRIVATE tabel_app tabel_app_teststamp)
# Statements on the helper thread against the calling thread, and how soon a cancel answers.
add_executable(bench_wait ${CMAKE_CURRENT_LIST_DIR}/bench_wait.cpp)
target_link_libraries(bench_wait PRIVATE tabel_journal tabel_forms)
