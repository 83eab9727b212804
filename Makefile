# Set-up in two commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps configure build run install screenshots test bench format format-check sanitize clean

deps:
	@bash scripts/install-deps.sh test

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DTALLYQUOTE_BENCH=ON \
	  -DTALLYQUOTE_WERROR=ON > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The window alone needs neither GoogleTest nor Google Benchmark. It keeps its preferences.txt
# beside the program, in $(BUILD).
run:
	@bash scripts/install-deps.sh run
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTALLYQUOTE_BENCH=OFF > /dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target tallyquote tallyquote-cli
	@$(BUILD)/tallyquote

# Installs the programs, desktop entry and icon under PREFIX (default ~/.local).
PREFIX ?= $(HOME)/.local
install:
	@bash scripts/install-deps.sh run
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTALLYQUOTE_BENCH=OFF > /dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target tallyquote tallyquote-cli
	@cmake --install $(BUILD) --prefix $(PREFIX)

screenshots: build
	@bash scripts/screenshots.sh $(BUILD) shots/1024 1024x768
	@bash scripts/screenshots.sh $(BUILD) shots/1366 1366x768

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD)/bench/core_bench
	@$(BUILD)/bench/gui_bench
	@bash bench/batch_speed.sh $(BUILD)
	@bash tools/pg_private.sh $(BUILD)/bench/log_bench

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.hpp')

# Every source as .clang-format lays it out, or the files that are not.
format-check: deps
	@clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.hpp')

# The core and CLI tests under AddressSanitizer and UndefinedBehaviorSanitizer, in a build of
# their own (no window, no print system).
SANITIZE_BUILD ?= build-sanitize
sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON \
	  -DTALLYQUOTE_BENCH=OFF -DTALLYQUOTE_GUI=OFF -DTALLYQUOTE_SANITIZE=ON > /dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target core_tests log_tests tallyquote-cli
	@$(SANITIZE_BUILD)/tests/core_tests --gtest_brief=1
	@cd $(SANITIZE_BUILD)/tests && TZ=America/New_York ./log_tests --gtest_brief=1 --gtest_filter=-*postgres*

clean:
	@rm -rf $(BUILD) $(SANITIZE_BUILD)
