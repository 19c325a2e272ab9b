# Entry points for people and CI. `make run` and `make test` set up a fresh Debian 12 machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
RUN_DIR     = $(BUILD)/run
XVFB        = $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1280x1024x24")
SHELL       = /bin/bash
FUZZ_FLAGS  = -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
# The layout of the sources is clang-format's, at the version the set-up installs.
CLANG_FORMAT = clang-format-14
SOURCES      = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: all deps configure build run test test-asan format format-check bench fuzz fuzz-merge clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ]; then echo "No display: starting under a virtual X server (xvfb-run)"; fi
	cd $(RUN_DIR) && $(XVFB) ./figurant

test: build format-check
	cd $(BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan

format: deps
	$(CLANG_FORMAT) -i $(SOURCES)

format-check: deps
	@$(CLANG_FORMAT) --dry-run --Werror $(SOURCES) || { echo "Sources are not formatted: run 'make format'"; exit 1; }

# The logic layers and the file readers' corpora again, under AddressSanitizer and UBSan.
test-asan: deps
	@test -f $(ASAN_BUILD)/CMakeCache.txt || cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DFIGURANT_SANITIZE=ON -DFIGURANT_GUI=OFF -DFIGURANT_BENCH=OFF >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS)

bench: build
	cd $(BUILD) && FIGURANT_READER=$(CURDIR)/$(RUN_DIR)/figurant-read ./tests/bench/figurant-bench
	cd $(BUILD) && FIGURANT_READER=$(CURDIR)/$(RUN_DIR)/figurant-read $(XVFB) ./tests/bench/figurant-bench-view

fuzz: deps
	@test -f $(FUZZ_BUILD)/CMakeCache.txt || CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DFIGURANT_FUZZ=ON -DFIGURANT_SANITIZE=ON -DFIGURANT_GUI=OFF -DFIGURANT_BENCH=OFF >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	# Every target runs, even after another finds something. New inputs, findings and logs go to the
	# build folder; the seed corpora in the source tree stay as committed (make fuzz-merge adds to them).
	@status=0; mkdir -p $(FUZZ_BUILD)/artifacts; \
	for f in $(FUZZ_BUILD)/tests/fuzz/fuzz-*; do name=$${f##*/fuzz-}; mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  dict=tests/fuzz/$$name.dict; opts=""; [ -f $$dict ] && opts="-dict=$$dict"; \
	  echo "== $$name"; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp $$f $$opts $(FUZZ_FLAGS) -max_total_time=$${FUZZ_SECONDS:-60} -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$name- \
	    $(FUZZ_BUILD)/corpus/$$name tests/fuzz/corpus/$$name > $(FUZZ_BUILD)/fuzz-$$name.log 2>&1 || status=1; \
	  grep -E "DONE|stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY" $(FUZZ_BUILD)/fuzz-$$name.log | tail -n 4; \
	done; exit $$status

# Adds to the seed corpora in the source tree the inputs the fuzzers found that reach new code.
fuzz-merge:
	@for f in $(FUZZ_BUILD)/tests/fuzz/fuzz-*; do name=$${f##*/fuzz-}; \
	  $$f -merge=1 $(FUZZ_FLAGS) tests/fuzz/corpus/$$name $(FUZZ_BUILD)/corpus/$$name > $(FUZZ_BUILD)/merge-$$name.log 2>&1; \
	  grep -E "MERGE-OUTER: [0-9]+ new files" $(FUZZ_BUILD)/merge-$$name.log; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
