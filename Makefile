# Two commands do everything on a fresh machine: `make run` and `make test`.
BUILD_DIR ?= build
SAN_DIR   ?= build-sanitize
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all build run test sanitize deps clean fuzz fuzz-deps valgrind

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
	rm -rf $(BUILD_DIR) $(SAN_DIR) $(FUZZ_DIR)

# A short protocol session with searches under valgrind's memcheck: no invalid access, no leak.
valgrind: build
	bash tests/valgrind/session.sh $(BUILD_DIR)/quorvex

# Fuzzing: clang's libFuzzer with AddressSanitizer and UBSan, in a build of its own. Each
# target runs FUZZ_SECONDS on a corpus in the build folder, seeded from fuzz/corpus/; not part
# of `make test`. FUZZ_TARGETS picks some: make fuzz FUZZ_TARGETS=book FUZZ_SECONDS=600
FUZZ_DIR     ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= protocol position book

fuzz-deps: | deps
	@command -v clang++ >/dev/null 2>&1 && \
	    [ -e "$$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a)" ] || { \
	    echo "Installing clang and its sanitizer runtimes (clang, libclang-rt-14-dev)"; \
	    apt-get update -qq && apt-get install -y -qq clang libclang-rt-14-dev >/dev/null; }

fuzz: fuzz-deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQX_SANITIZE=ON -DQX_FUZZ=ON $(CMAKE_ARGS)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addprefix fuzz-,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	    echo "== fuzz-$$t: $(FUZZ_SECONDS) s"; \
	    mkdir -p $(FUZZ_DIR)/corpus/$$t $(FUZZ_DIR)/crashes/$$t; \
	    $(FUZZ_DIR)/fuzz/fuzz-$$t -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -len_control=0 -timeout=10 \
	        -dict=fuzz/$$t.dict -artifact_prefix=$(FUZZ_DIR)/crashes/$$t/ -print_final_stats=1 \
	        $(FUZZ_DIR)/corpus/$$t fuzz/corpus/$$t > $(FUZZ_DIR)/fuzz-$$t.log 2>&1; \
	    status=$$?; grep -E 'INITED|DONE|ERROR|SUMMARY|runtime error|Test unit|stat::' $(FUZZ_DIR)/fuzz-$$t.log; \
	    [ $$status = 0 ] || { echo "fuzz-$$t failed: see $(FUZZ_DIR)/crashes/$$t/"; exit 1; }; \
	done
