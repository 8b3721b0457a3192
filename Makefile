# The two commands of the README: `make run` and `make test`. Both bootstrap what is missing.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD := build
ASAN_BUILD := build-asan

.PHONY: run test bootstrap build build-server build-asan unit unit-asan regression

bootstrap:
	@bash scripts/bootstrap

build: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: bootstrap
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUORBEL_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target quorbel_tests

# Only what the server needs: the tests, benchmarks and fuzzers are left to their own targets.
build-server: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target quorbel

run: build-server
	./$(BUILD)/quorbel

unit: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

unit-asan: build-asan
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

regression: build
	./$(BUILD)/quorbel --test

# Hosts without unprivileged user namespaces (some containers and chroots) cannot start the box;
# there the tests run programs under the runner's process limits, as an operator may choose to.
# Where the box starts, it is used and this changes nothing; `make run` never sets it.
unit unit-asan regression browser-test fuzz-smoke: export QUORBEL_RUNNER_ALLOW_UNBOXED = 1
# A loaded machine (parallel tests, a shared CI host) can take more than the default 5 s to
# compile a test program; the tests are about the program's limits, not the compiler's speed.
unit unit-asan regression browser-test fuzz-smoke: export QUORBEL_RUNNER_COMPILE_SECONDS = 60

# Every test: the unit tests, again under the sanitizers, the built-in regression run from the
# repository root, the web front end in a real browser, and a minute of fuzzing per target.
test: unit unit-asan regression browser-test fuzz-smoke

# The web front end in Debian's chromium, against ./build/quorbel started by the test on a free
# loopback port with a temporary QUORBEL_DB_PATH; screenshots land in build/screenshots/.
.PHONY: browser-test
browser-test: build
	node tests/browser/run.js --binary ./$(BUILD)/quorbel --screenshots $(BUILD)/screenshots

# The VS Code extension (editors/vscode) packaged as build/quorbel.vsix by @vscode/vsce: its npm
# packages at the versions package-lock.json pins, into the git-ignored node_modules/. vsce's
# optional keychain module (keytar, native) and install scripts are left out: packaging needs
# neither.
.PHONY: vscode
vscode: bootstrap
	cd editors/vscode && npm ci --omit=optional --ignore-scripts --no-audit --no-fund
	@mkdir -p $(BUILD)
	cd editors/vscode && ./node_modules/.bin/vsce package --allow-missing-repository \
	  --skip-license -o ../../$(BUILD)/quorbel.vsix < /dev/null

# Load check of the HTTP server: wrk on a free loopback port for 10 s per route (bench/server).
.PHONY: bench-server
bench-server: build
	@bash bench/server

# Hostile clients against a real server (bench/attacks): the macro chain, huge inputs, the form
# page, slow readers, slowloris, 30 concurrent runs, cross-site and malformed requests, each
# with /healthz and a trivial analysis timed meanwhile. Figures and a pass/fail line, never a test.
.PHONY: bench-attacks
bench-attacks: build
	@python3 bench/attacks

# Speed of the analysis on the fixtures and on generated programs (bench/analysis_bench.cpp),
# what the runner's box costs (bench/runner_bench.cpp) and how soon the language server answers
# an edit (bench/lsp_bench.cpp): Google Benchmark's tables, then the targets and whether each
# was met; judge-sized runs and second compiles through /api/run (bench/run_box_bench.cpp).
# Figures, never a test.
bench: build
	@cmake --build $(BUILD) -j $(JOBS) --target quorbel_bench quorbel_runner_bench quorbel_pch_bench \
	  quorbel_run_box_bench quorbel_lsp_bench
	./$(BUILD)/quorbel_bench
	./$(BUILD)/quorbel_runner_bench
	./$(BUILD)/quorbel_pch_bench
	./$(BUILD)/quorbel_run_box_bench
	./$(BUILD)/quorbel_lsp_bench

# libFuzzer targets (fuzz/), built with clang in their own folder; clang and its runtime are
# installed for these targets only. `make fuzz` runs each target FUZZ_SECONDS (default 10
# minutes), `make fuzz-smoke` 60 s, on a copy of the seeds in fuzz/corpus/.
FUZZ_BUILD := build-fuzz
FUZZERS := analyze_fuzzer http_fuzzer decoding_fuzzer cli_fuzzer
FUZZ_SECONDS ?= 600
.PHONY: fuzz-build fuzz fuzz-smoke
fuzz-build:
	@QUORBEL_EXTRA_PACKAGES="clang libclang-rt-14-dev" bash scripts/bootstrap
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORBEL_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZERS)

fuzz: fuzz-build
	@bash fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZERS)

fuzz-smoke: fuzz-build
	@bash fuzz/run $(FUZZ_BUILD) 60 $(FUZZERS)
