# Front door: `make demo` runs the updater against virtual cameras, `make test`
# builds and runs every test (plain and sanitizer builds).

BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps build build-asan test test-plain test-asan demo clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null
	@cmake --build build/plain -j $(JOBS)

build-asan: deps
	@cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON >/dev/null
	@cmake --build build/asan -j $(JOBS)

test-plain: build
	@ctest --test-dir build/plain --output-on-failure -j $(JOBS)

test-asan: build-asan
	@ctest --test-dir build/asan --output-on-failure -j $(JOBS)

test: test-plain test-asan

demo: build
	@scripts/demo.sh build/plain

clean:
	rm -rf build
