# The two commands of the README: `make run` and `make test`. Both bootstrap what is missing.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD := build
ASAN_BUILD := build-asan

.PHONY: run test bootstrap build build-asan unit unit-asan regression bench

bootstrap:
	@bash scripts/bootstrap

build: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: bootstrap
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUORBEL_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target quorbel_tests

run: build
	./$(BUILD)/quorbel

unit: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

unit-asan: build-asan
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

regression: build
	./$(BUILD)/quorbel --test

test: unit unit-asan

# The web front end in Debian's chromium, against ./build/quorbel started by the test on a free
# loopback port with a temporary QUORBEL_DB_PATH; screenshots land in build/screenshots/.
.PHONY: browser-test
browser-test: build
	node tests/browser/run.js --binary ./$(BUILD)/quorbel --screenshots $(BUILD)/screenshots

# Load check of the HTTP server: wrk on a free loopback port for 10 s per route (bench/server).
.PHONY: bench-server
bench-server: build
	@bash bench/server
