# Quillmere: `make run` to use it, `make test` to test it. Both install what is missing.

JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_GEN   := -G Ninja

.PHONY: all deps build run test bench fuzz clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build --parallel $(JOBS)

# Starts the program from its own folder, build/bin/, where it keeps its catalogue.
# A machine without a display gets a virtual one.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then build/bin/quillmere; \
	 else xvfb-run -a -s "-screen 0 1600x1000x24 -dpi 96" build/bin/quillmere; fi

# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps
	cmake -S . -B build-test $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1" \
	  -DQM_TESTS=ON -DQM_SANITIZE=ON
	cmake --build build-test --parallel $(JOBS)
	cd build-test && ctest --output-on-failure --parallel $(JOBS) --timeout 900

bench: deps
	cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQM_BENCH=ON
	cmake --build build-bench --parallel $(JOBS)
	@for b in build-bench/bench/*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; echo "== $$b"; \
	   QT_QPA_PLATFORM=offscreen "$$b" --benchmark_counters_tabular=true || exit 1; done

# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQM_FUZZ=ON -DQM_GUI=OFF
	cmake --build build-fuzz --parallel $(JOBS)
	@scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-test build-bench build-fuzz
