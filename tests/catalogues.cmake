# The reference catalogues: workers, products, operation kinds, with their pickers.
tabel_add_test(catalogues SOURCES tst_catalogues.cpp LIBS tabel_catalogues)
