# Two commands set everything up on a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# A compiler cache, when the machine has one, makes rebuilds after switching branches or cloning cheap.
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_FLAGS += -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
endif

.PHONY: all deps build run test bench fuzz mutants clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-app.sh $(BUILD)

test: build
	@bash scripts/run-tests.sh $(BUILD)

bench: build
	@bash scripts/run-benchmarks.sh $(BUILD)

fuzz: deps
	@bash scripts/run-fuzzers.sh

mutants: deps
	@python3 tools/mutants/run-mutants.py --out build-mutants/table.txt

clean:
	rm -rf $(BUILD) build-tsan build-fuzz build-mutants
