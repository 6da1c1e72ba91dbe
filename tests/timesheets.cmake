# The timesheet by time: the month's rebuild against the day-by-day writes and under saves
# from another workstation, the drawing of day cells, the spreadsheet, the days that differ
# from the journal.
tabel_add_test(timesheets SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_timesheets.cpp LIBS tabel_timesheets)
target_compile_definitions(tst_timesheets PRIVATE
  XLSX_READER="${CMAKE_CURRENT_LIST_DIR}/support/xlsx_read.py" SYSTEM_PYTHON="/usr/bin/python3")
# Household works: records, their days, the entry dialog's checks, the list, the average
# piece rate.
tabel_add_test(household SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_household.cpp LIBS tabel_timesheets)
# The monthly timesheets: household rows rebuilt, modes, totals, spreadsheet.
tabel_add_test(timesheets_monthly SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_timesheets_monthly.cpp LIBS tabel_timesheets)
target_compile_definitions(tst_timesheets_monthly PRIVATE
  XLSX_READER="${CMAKE_CURRENT_LIST_DIR}/support/xlsx_read.py" SYSTEM_PYTHON="/usr/bin/python3")
# Month close and change history on the database extension; and the program without it.
tabel_add_test(monthclose SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_monthclose.cpp LIBS tabel_app tabel_app_teststamp)
target_compile_definitions(tst_monthclose PRIVATE
  XLSX_READER="${CMAKE_CURRENT_LIST_DIR}/support/xlsx_read.py" SYSTEM_PYTHON="/usr/bin/python3")
tabel_add_test(noextension SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_noextension.cpp LIBS tabel_app tabel_app_teststamp)
