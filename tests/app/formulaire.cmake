zelvor_test(test_formulaire SOURCES test_formulaire.cpp LIBS zelvor_app GUI)
