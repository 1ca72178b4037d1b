# make run           set up, build and start Lumra (it talks to the real network)
# make run-isolated  the same, but started in an empty network namespace
# make test          set up, build and run every test, then the core tests
#                    under AddressSanitizer and ThreadSanitizer and the
#                    application's own tests under AddressSanitizer (leaks
#                    included); the optimised build is compiled too, so it
#                    keeps building
# make bench-build   the optimised build the scripts under bench/ measure

JOBS ?= $(shell nproc)
APP := build/release/bin/lumra

.PHONY: run run-isolated test check-format build build-release build-app bench-build setup setup-tests build-asan build-tsan build-asan-app test-default test-asan test-tsan test-asan-app clean

# What building and running need; setup-tests adds what the tests need.
setup:
	./setup

setup-tests:
	./setup --tests

build: setup-tests
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# What users run: -O2 with debug info. build-app builds the application
# alone, without the tests and benches (and their packages).
build-release: setup-tests
	cmake --preset release -DLUMRA_BUILD_TESTS=ON
	cmake --build --preset release -j $(JOBS)

build-app: setup
	cmake --preset release -DLUMRA_BUILD_TESTS=OFF
	cmake --build --preset release -j $(JOBS)

bench-build: build-release

run: build-app
	$(APP)

# No interface but loopback, and the update service pointed at a port on
# 127.0.0.1 where nothing listens: nothing leaves the machine.
run-isolated: build-app
	@if [ "$$(id -u)" -eq 0 ]; then ns="unshare -n"; else ns="unshare -rn"; fi; \
	$$ns env LUMRA_UPDATE_API_URL=http://127.0.0.1:9/api/update \
	         LUMRA_UPDATE_DOWNLOAD_BASE_URL=http://127.0.0.1:9/download \
	         $(APP)

test: setup-tests check-format test-default build-release test-asan test-tsan test-asan-app

# Fails on a C++ file that differs from .clang-format (clang-format 14, as
# ./setup installs it).
check-format: setup-tests
	cmake/check_format.sh clang-format-14

test-default: build
	ctest --preset default

build-asan: setup-tests
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)

test-asan: build-asan
	ctest --preset asan

build-tsan: setup-tests
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)

test-tsan: build-tsan
	ctest --preset tsan

# The application itself (Qt on) with its tests and desktop scenarios.
build-asan-app: setup-tests
	cmake --preset asan-app
	cmake --build --preset asan-app -j $(JOBS)

test-asan-app: build-asan-app
	ctest --preset asan-app

clean:
	rm -rf build
