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
