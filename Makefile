# make run  — install what is missing, build, start the program
# make test — install what is missing, build, run every test
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -G Ninja

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)/bin/marlux

test: build
	@scripts/test.sh $(BUILD) $(JOBS)

clean:
	rm -rf $(BUILD)
