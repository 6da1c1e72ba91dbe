# The reference catalogues: workers, products, operation kinds, with their pickers.
tabel_add_test(catalogues SOURCES tst_catalogues.cpp LIBS tabel_catalogues)
# Operations and prices, norms, the nomenclature picker; workbooks read back with openpyxl.
tabel_add_test(operations SOURCES tst_operations.cpp support/ModalDriver.h support/Workbook.h LIBS tabel_catalogues)
target_compile_definitions(tst_operations PRIVATE
  XLSX_READER="${CMAKE_CURRENT_LIST_DIR}/support/xlsx_read.py" SYSTEM_PYTHON="/usr/bin/python3")
