# Filling a large workbook through ExcelExport against libxlsxwriter writing the same cells.
add_executable(bench_excel ${CMAKE_CURRENT_LIST_DIR}/bench_excel.cpp)
target_link_libraries(bench_excel PRIVATE tabel_reports PkgConfig::XLSXWRITER Qt6::Core)
