# The effects' harness, shared by the tests here and bench/filterlib: pictures, calling an
# effect through the library's name, the reference tools and each family's reference rows.
set(QM_FX_HARNESS_DIR ${CMAKE_CURRENT_LIST_DIR})
function(qm_fx_harness target)
  target_sources(${target} PRIVATE
    ${QM_FX_HARNESS_DIR}/support/fx_picture.cpp
    ${QM_FX_HARNESS_DIR}/support/effect_runner.cpp
    ${QM_FX_HARNESS_DIR}/support/reference_runner.cpp
    ${QM_FX_HARNESS_DIR}/reference/reference_cases.cpp
    ${QM_FX_HARNESS_DIR}/reference/point_cases.cpp
    ${QM_FX_HARNESS_DIR}/reference/neighbourhood_cases.cpp
    ${QM_FX_HARNESS_DIR}/reference/geometric_cases.cpp
    ${QM_FX_HARNESS_DIR}/reference/stochastic_cases.cpp)
  target_include_directories(${target} PRIVATE ${QM_FX_HARNESS_DIR})
  target_compile_definitions(${target} PRIVATE
    QM_FX_REFERENCE_SCRIPT="${QM_FX_HARNESS_DIR}/reference/reference.py")
  target_link_libraries(${target} PRIVATE qm_filterlib)
endfunction()
