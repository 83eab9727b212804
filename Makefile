# Set-up in two commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps configure build run install screenshots test bench format clean

deps:
	@bash scripts/install-deps.sh test

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DTALLYQUOTE_BENCH=ON > /dev/null

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

clean:
	@rm -rf $(BUILD)
