# Two commands do everything on a fresh machine: `make run` and `make test`.
BUILD_DIR ?= build
SAN_DIR   ?= build-sanitize
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all build run test sanitize deps clean valgrind

all: build

# Installs the compiler, CMake and GoogleTest when the machine lacks them (Debian).
deps:
	@need=0; \
	command -v cmake >/dev/null 2>&1 || need=1; \
	command -v g++ >/dev/null 2>&1 || need=1; \
	[ -e /usr/include/gtest/gtest.h ] || need=1; \
	if [ $$need = 1 ]; then \
	    echo "Installing build dependencies (g++, cmake, libgtest-dev)"; \
	    apt-get update -qq && apt-get install -y -qq g++ cmake make libgtest-dev >/dev/null; \
	fi

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@exec ./$(BUILD_DIR)/quorvex

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

sanitize: | deps
	cmake -S . -B $(SAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SAN_DIR) -j $(JOBS)
	cd $(SAN_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR) $(SAN_DIR)

# A short protocol session with searches under valgrind's memcheck: no invalid access, no leak.
valgrind: build
	bash tests/valgrind/session.sh $(BUILD_DIR)/quorvex
