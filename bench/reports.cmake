# Filling a large workbook through ExcelExport against libxlsxwriter writing the same cells.
add_executable(bench_excel ${CMAKE_CURRENT_LIST_DIR}/bench_excel.cpp)
target_link_libraries(bench_excel PRIVATE tabel_spreadsheet PkgConfig::XLSXWRITER Qt6::Core)
# The printed reports over a year on the benchmark database: query to PDF, and the preview's first page.
add_executable(bench_report ${CMAKE_CURRENT_LIST_DIR}/bench_report.cpp)
target_link_libraries(bench_report PRIVATE tabel_reports Qt6::Widgets)
