# Two commands do everything on a fresh machine: `make run` and `make test`; for Windows,
# `make windows` and `make test-windows`.
BUILD_DIR ?= build
SAN_DIR   ?= build-sanitize
WIN_DIR   ?= build-windows
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

# Wine runs the Windows tests; Debian's wine64 package puts it outside PATH. A private
# prefix in the build folder keeps them away from any other Wine set-up on the machine.
FIND_WINE  = for w in /usr/lib/wine/wine64 $$(command -v wine64 wine 2>/dev/null); do \
                 [ -x "$$w" ] && { echo "$$w"; break; }; done
WINE_PREFIX_VAR = WINEPREFIX=$(abspath $(WIN_DIR))/wine
WINE_ENV   = $(WINE_PREFIX_VAR) WINEDEBUG=-all

.PHONY: all build run play test sanitize deps clean windows test-windows deps-windows fuzz fuzz-deps valgrind \
        native speed-compare

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

# A game against the engine in XBoard (Debian's xboard, which lives in /usr/games): the
# xiangqi board and pieces XBoard ships, the human as red on a 10 min + 5 s clock, and the
# engine started in the build folder, where its book is. XBoard keeps its settings in the
# build folder, not in the user's own file; it plays no sounds and shows no start-up tip.
# PLAY_ARGS adds XBoard options: make play PLAY_ARGS="-tc 5 -inc 3"
XBOARD_THEME = /usr/share/games/xboard/themes
PLAY_ARGS ?=

play: build
	@command -v xboard >/dev/null 2>&1 || [ -x /usr/games/xboard ] || { \
	    echo "Installing XBoard (xboard)"; \
	    apt-get update -qq && apt-get install -y -qq xboard >/dev/null; } || { \
	    echo "make play: XBoard could not be installed: apt-get install xboard, as root"; exit 1; }
	@[ -n "$$DISPLAY" ] || echo "make play: DISPLAY is not set; XBoard needs an X display"
	@dir=$(abspath $(BUILD_DIR)); xboard=$$(command -v xboard || echo /usr/games/xboard); \
	cd "$$dir" && exec "$$xboard" -settingsFile "$$dir/xboard-play.ini" -saveSettingsFile "$$dir/xboard-play.ini" \
	    -variant xiangqi -fcp "$$dir/quorvex" -fd "$$dir" -firstProtocolVersion 2 \
	    -tc 10 -inc 5 -xponder -showThinking true \
	    -pieceImageDirectory $(XBOARD_THEME)/xiangqi -trueColors true -useBoardTexture true \
	    -liteBackTextureFile $(XBOARD_THEME)/textures/xqboard-9x10.png \
	    -darkBackTextureFile $(XBOARD_THEME)/textures/xqboard-9x10.png \
	    -overrideLineGap 0 -highlightMoveWithArrow true \
	    -soundProgram "" -startupMessage "" $(PLAY_ARGS)

# The engine for this machine's processor only (-march=native), in build-native/: a little
# faster, and not to be copied to another machine. The shipped build stays portable.
NATIVE_DIR ?= build-native
native: | deps
	cmake -S . -B $(NATIVE_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-march=native $(CMAKE_ARGS)
	cmake --build $(NATIVE_DIR) -j $(JOBS) --target quorvex quorvex-tool book

# Speed against an older commit (default: where this branch left main), side by side:
# bench nodes per second, and "go depth" on the 256 MB table against a 16 MB one.
# make speed-compare BASE=<commit> RUNS=<alternating runs of each>
BASE ?=
RUNS ?= 9
speed-compare: | deps
	BASE=$(BASE) RUNS=$(RUNS) JOBS=$(JOBS) bash scripts/speed-compare.sh

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

sanitize: | deps
	cmake -S . -B $(SAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SAN_DIR) -j $(JOBS)
	cd $(SAN_DIR) && ctest --output-on-failure -j $(JOBS)

# The cross compiler and GoogleTest's sources (the Windows tests build their own).
deps-windows:
	@need=0; \
	command -v cmake >/dev/null 2>&1 || need=1; \
	command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need=1; \
	[ -e /usr/src/googletest/CMakeLists.txt ] || need=1; \
	if [ $$need = 1 ]; then \
	    echo "Installing the Windows cross build's dependencies (mingw-w64, cmake, googletest)"; \
	    apt-get update -qq && apt-get install -y -qq --no-install-recommends \
	        mingw-w64 cmake make googletest >/dev/null; \
	fi

# 64-bit quorvex.exe and quorvex-tool.exe, statically linked, with the book beside them;
# the book is made by this machine's build of the tool.
windows: deps-windows $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quorvex-tool
	cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DQX_WERROR=ON \
	    -DQX_HOST_TOOL=$(abspath $(BUILD_DIR))/quorvex-tool $(CMAKE_ARGS)
	cmake --build $(WIN_DIR) -j $(JOBS) --target quorvex quorvex-tool book

# Under Wine: the unit tests (the perft suite among them), the end-to-end tests as a driver
# program that starts quorvex.exe as a Windows front end does, and a console session; then
# the bench signature compared with the Linux build's. Where Wine cannot run, says why and
# skips: nothing is reported as passed.
test-windows: windows build
	@if [ "$$(uname -m)" != x86_64 ]; then \
	    echo "test-windows: SKIPPED: a $$(uname -m) kernel cannot run 64-bit Windows programs"; exit 0; \
	fi; \
	if [ -z "$$($(FIND_WINE))" ] || ! command -v tmux >/dev/null 2>&1; then \
	    echo "Installing Wine (wine64) and tmux, for the console session"; \
	    apt-get update -qq && apt-get install -y -qq --no-install-recommends wine64 tmux >/dev/null; \
	fi; \
	wine=$$($(FIND_WINE)); \
	if [ -z "$$wine" ]; then echo "test-windows: SKIPPED: Wine could not be installed"; exit 0; fi; \
	cmake -S . -B $(WIN_DIR) "-DCMAKE_CROSSCOMPILING_EMULATOR=env;$(WINE_PREFIX_VAR);WINEDEBUG=-all;$$wine" >/dev/null && \
	cmake --build $(WIN_DIR) -j $(JOBS) --target qxtest qxdriver || exit 1; \
	server="$${wine%/*}/wineserver"; [ -x "$$server" ] || server=wineserver; \
	$(WINE_ENV) "$$server" -p20 2>/dev/null; \
	if ! started=$$($(WINE_ENV) "$$wine" cmd.exe /c echo wine-started 2>&1) || \
	   ! echo "$$started" | grep -q wine-started; then \
	    echo "test-windows: SKIPPED: Wine cannot start here:"; echo "$$started" | tail -n 5; \
	    $(WINE_ENV) "$$server" -k 2>/dev/null; exit 0; \
	fi; \
	(cd $(WIN_DIR) && ctest --output-on-failure -j $(JOBS)); status=$$?; \
	if [ $$status = 0 ]; then \
	    ./$(BUILD_DIR)/quorvex-tool bench | sed '$$s/ nodes .*//' > $(WIN_DIR)/bench-linux.txt; \
	    $(WINE_ENV) "$$wine" $(WIN_DIR)/quorvex-tool.exe bench | tr -d '\r' | sed '$$s/ nodes .*//' \
	        > $(WIN_DIR)/bench-windows.txt; \
	    if cmp -s $(WIN_DIR)/bench-linux.txt $(WIN_DIR)/bench-windows.txt; then \
	        echo "bench signature: $$(tail -n 1 $(WIN_DIR)/bench-windows.txt) nodes, identical on Windows and Linux"; \
	    else \
	        echo "bench signature differs between Linux and Windows:"; \
	        diff $(WIN_DIR)/bench-linux.txt $(WIN_DIR)/bench-windows.txt; status=1; \
	    fi; \
	fi; \
	$(WINE_ENV) "$$server" -k 2>/dev/null; \
	exit $$status

clean:
	rm -rf $(BUILD_DIR) $(SAN_DIR) $(WIN_DIR) $(FUZZ_DIR) $(NATIVE_DIR) build-compare

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
