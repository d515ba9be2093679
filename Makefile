# DRUVEX — the two commands a fresh machine needs are `make run` and `make test`.

BUILD_DIR ?= build
BUILD_TYPE ?= Release
JOBS ?= 2
CMAKE_FLAGS ?=

STANDALONE = $(BUILD_DIR)/DRUVEX_artefacts/$(BUILD_TYPE)/Standalone/DRUVEX
RENDER = $(BUILD_DIR)/druvex-render

.PHONY: setup configure build run test render bench golden default-preset clean

setup:
	@bash scripts/setup

configure: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "make run: no display here; use 'make render' to hear DRUVEX as a WAV file instead."; \
	else \
		$(STANDALONE); \
	fi

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The default groove, 8 bars with the sequencer running, as druvex-groove.wav.
render: build
	@$(RENDER) --bars 8 --set SequencerRun=1 druvex-groove.wav && echo "wrote druvex-groove.wav"

bench: build
	@echo "idle engine, 60 s at 48 kHz, block 512:"; $(RENDER) --bench --seconds 60
	@echo "default groove, 16 bars:"; $(RENDER) --bench --bars 16 --set SequencerRun=1

# Rewrites the golden reference renders: only after a deliberate change of sound.
golden: build
	@DRUVEX_UPDATE_GOLDEN=1 $(BUILD_DIR)/druvex_dsp_tests --gtest_filter='*Golden*'
	@DRUVEX_UPDATE_GOLDEN=1 $(BUILD_DIR)/druvex_tests --gtest_filter='*Golden*'
	@echo "golden renders rewritten under tests/golden/; review and commit them with the change that explains them"

# Rewrites the built-in groove from scripts/make-default-preset; rebuild afterwards.
default-preset: build
	@scripts/make-default-preset $(RENDER)

clean:
	@rm -rf $(BUILD_DIR)
