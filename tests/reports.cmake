tabel_add_test(excelexport SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_excelexport.cpp LIBS tabel_spreadsheet)
# Workbooks are read back with openpyxl from Debian's own Python, not with the writer.
target_compile_definitions(tst_excelexport PRIVATE
  XLSX_READER="${CMAKE_CURRENT_LIST_DIR}/support/xlsx_read.py" SYSTEM_PYTHON="/usr/bin/python3")
# The report engine on its page model: expressions, formats, groups, keep-together.
tabel_add_test(reportengine SOURCES tst_reportengine.cpp LIBS tabel_reportengine)
# The five report layouts over their queries, the PDF read back with pdftotext, the preview.
tabel_add_test(reportlayouts SOURCES tst_reportlayouts.cpp LIBS tabel_reports)
# The summary reports window: period, reports, kind choice, export, the roles' restrictions.
tabel_add_test(form18 SOURCES tst_form18.cpp support/ModalDriver.h LIBS tabel_app tabel_app_teststamp)
target_compile_definitions(tst_form18 PRIVATE
  XLSX_READER="${CMAKE_CURRENT_LIST_DIR}/support/xlsx_read.py" SYSTEM_PYTHON="/usr/bin/python3")
