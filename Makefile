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

.PHONY: run run-isolated test check-format build build-release bench-build setup build-asan build-tsan build-asan-app test-default test-asan test-tsan test-asan-app clean

setup:
	./setup

build: setup
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# What users run: -O2 with debug info.
build-release: setup
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

bench-build: build-release

run: build-release
	$(APP)

# No interface but loopback, and the update service pointed at a port on
# 127.0.0.1 where nothing listens: nothing leaves the machine.
run-isolated: build-release
	@if [ "$$(id -u)" -eq 0 ]; then ns="unshare -n"; else ns="unshare -rn"; fi; \
	$$ns env LUMRA_UPDATE_API_URL=http://127.0.0.1:9/api/update \
	         LUMRA_UPDATE_DOWNLOAD_BASE_URL=http://127.0.0.1:9/download \
	         $(APP)

test: setup check-format test-default build-release test-asan test-tsan test-asan-app

# Fails on a C++ file that differs from .clang-format (clang-format 14, as
# ./setup installs it).
check-format: setup
	cmake/check_format.sh clang-format-14

test-default: build
	ctest --preset default

build-asan:
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)

test-asan: build-asan
	ctest --preset asan

build-tsan:
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)

test-tsan: build-tsan
	ctest --preset tsan

# The application itself (Qt on) with its tests and desktop scenarios.
build-asan-app:
	cmake --preset asan-app
	cmake --build --preset asan-app -j $(JOBS)

test-asan-app: build-asan-app
	ctest --preset asan-app

clean:
	rm -rf build
