# The two commands of the README. Both install what is missing first.
PRESET ?= release
BUILD  := build/$(PRESET)

.PHONY: demo test deps build asan fuzz format clean run

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

# The demo builds only the two programs it runs (and the files beside them).
demo: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target ruvo tabulix
	@bash scripts/demo.sh $(BUILD)

# The desktop host on the sample drawing; modules beside it (the plug-in's) load at start.
run: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target kestra
	@$(BUILD)/bin/kestra resources/samples/topo_small.dxf

test: build
	@ctest --preset $(PRESET)

asan:
	@$(MAKE) --no-print-directory test PRESET=asan

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@bash scripts/run-fuzzers.sh build/fuzz $${FUZZ_SECONDS:-60}

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
