# Read by CTest after the suites' tests are known. The tests that print or
# replay whole documents run for up to two minutes under the sanitizers; on a
# fresh build CTest has no timings of its own and would start them in suite
# order, last, to run alone at the end. A high cost starts the three longest
# first (only those: started together with more of their kind under the
# emulator, each runs slower). A name no test has any more is passed over;
# only the order would change.
foreach(t CrossMode.ShowcaseDrawingPagesAgreeOnCoarseCells
          PrintCommand.PrintsInVectorModeAndInBandingModeWhenThePrinterAsks
          Golden.ShowcaseInBandingMode)
  set_tests_properties(${t} PROPERTIES COST 1000)
endforeach()
