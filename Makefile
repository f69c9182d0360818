# The one entry point: set-up, build, run, tests, sanitizers, fuzzing, benchmarks.
JOBS ?= 2
FUZZ_SECONDS ?= 30
CMAKE_GEN := -G Ninja
CTEST := ctest --output-on-failure -j $(JOBS) --no-tests=error

.PHONY: all deps build run test install package package-check asan tsan fuzz bench clean

all: build

deps:
	@bash scripts/deps.sh

build/build.ninja:
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps build/build.ninja
	cmake --build build -j $(JOBS)

run: build
	@if [ -x build/src/vlm-tuner ]; then build/src/vlm-tuner --simulate; \
	else echo "make run: build/src/vlm-tuner was not built: the GUI needs Qt 6 (Widgets, UiTools, Svg);" \
	  "run 'make deps', then 'rm -rf build && make run' (a build configured with -DVLM_BUILD_GUI=OFF has no GUI)." >&2; \
	  exit 1; fi

test: build
	cd build && $(CTEST)

# The programs, the udev rule, the desktop entry, the metainfo, the icons, the
# man pages and the completion (cmake/Install.cmake); DESTDIR and PREFIX are
# honoured (make install DESTDIR=/tmp/stage).
PREFIX ?= /usr/local
install: build
	cmake --install build --prefix $(PREFIX)

# The Debian package in build-deb/, checked with lintian, appstreamcli and
# desktop-file-validate (scripts/package.sh; no test suite: that is make test).
package: deps
	JOBS=$(JOBS) bash scripts/package.sh build

# As root: installs the package with apt-get, runs the installed programs,
# purges it and checks that nothing of it remains.
package-check: package
	bash scripts/package.sh check

# ASan + UBSan over the whole suite (GUI included).
asan: deps
	cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVLM_SANITIZE=address
	cmake --build build-asan -j $(JOBS)
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp $(CTEST)

# TSan over the core suites: the threaded code lives in the core, and Qt itself
# is not built with TSan, which would only add noise.
tsan: deps
	cmake -S . -B build-tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVLM_SANITIZE=thread -DVLM_BUILD_GUI=OFF
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(CTEST)

# Every libFuzzer target for FUZZ_SECONDS, with ASan and UBSan.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DVLM_SANITIZE=address -DVLM_BUILD_GUI=OFF -DVLM_BUILD_TESTS=OFF -DVLM_BUILD_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)
	@set -e; for f in build-fuzz/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; name=$$(basename $$f); \
	  corpus=build-fuzz/corpus/$$name; mkdir -p $$corpus; \
	  seeds=fuzz/corpus/$${name#fuzz_}; [ -d $$seeds ] || seeds=; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $$corpus $$seeds; \
	done

bench: deps
	cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DVLM_BUILD_GUI=ON \
	  -DVLM_BUILD_TESTS=OFF -DVLM_BUILD_BENCH=ON
	cmake --build build-bench -j $(JOBS) --target vlm_bench vlm_gui_bench
	build-bench/bench/vlm_bench
	build-bench/bench/vlm_gui_bench

clean:
	rm -rf build build-asan build-tsan build-fuzz build-bench build-deb
