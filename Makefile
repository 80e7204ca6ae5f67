# Thin wrapper over CMake: `make run` and `make test` are all a fresh machine needs.
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
WINDOWS_BUILD ?= build-windows
WEB_BUILD ?= build-web
JOBS ?= $(shell nproc)

.PHONY: all deps build run test bench package reproducible-package asan tsan fuzz windows test-windows web serve-web \
	test-web tidy tidy-changed clean distclean

all: build

deps:
	@scripts/install-deps

# Developer builds: warnings are errors and every optional part is built,
# so a missing library fails here instead of silently skipping tests.
DEV_OPTIONS = -DVSF_WERROR=ON -DVSF_TESTS=ON

# Configure once, and again when these options change; CMake re-runs itself
# when its own files change.
$(BUILD)/CMakeCache.txt: Makefile
	@scripts/install-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(DEV_OPTIONS) -DVSF_BENCH=ON \
	  -DVSF_PICTURE_GENERATOR=ON

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD) && ./velvetstaticfog

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# clang-tidy (.clang-tidy) over every file the build compiles, from its
# compile database, nproc files at a time; any finding fails.
tidy: build
	run-clang-tidy -p $(BUILD) -j $(JOBS) -quiet

# The same over the C++ files changed since TIDY_BASE (the last commit, or a
# merge's whole branch), so a change cannot let the findings drift.
TIDY_BASE ?= HEAD~1
tidy-changed: build
	@files=$$(git diff --name-only --diff-filter=d $(TIDY_BASE) -- '*.cpp' \
	  | while read -r f; do grep -q "/$$f\"" $(BUILD)/compile_commands.json && echo "$$f"; done); \
	if [ -n "$$files" ]; then run-clang-tidy -p $(BUILD) -j $(JOBS) -quiet $$files; \
	else echo "tidy-changed: no compiled C++ file changed since $(TIDY_BASE)"; fi

bench: build
	cmake --build $(BUILD) --target run-benchmarks

# A Debian package of the install, in $(BUILD): the same bytes from the same
# commit wherever it is built, its timestamps the last commit's.
package: build
	cd $(BUILD) && SOURCE_DATE_EPOCH=$${SOURCE_DATE_EPOCH:-$$(git -C $(CURDIR) log -1 --format=%ct)} \
	  cpack

# Two clones of the last commit packaged in two folders: the same .deb.
reproducible-package:
	@scripts/reproducible-package

# AddressSanitizer + UndefinedBehaviorSanitizer build of the tests (clang).
$(ASAN_BUILD)/CMakeCache.txt: Makefile
	@scripts/install-deps
	CC=clang CXX=clang++ cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug $(DEV_OPTIONS) \
	  -DVSF_SANITIZE=ON -DVSF_BENCH=OFF -DVSF_PICTURE_GENERATOR=OFF

asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -LE e2e

# ThreadSanitizer build of the tests (clang); optimised, since the audio tests
# run in real time. The tone-burst latency check is left to the other builds:
# it times the device against a polling loop that the sanitizer slows down.
$(TSAN_BUILD)/CMakeCache.txt: Makefile
	@scripts/install-deps
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(DEV_OPTIONS) \
	  -DVSF_TSAN=ON -DVSF_BENCH=OFF -DVSF_PICTURE_GENERATOR=OFF

tsan: deps $(TSAN_BUILD)/CMakeCache.txt
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
		ctest --output-on-failure -j $(JOBS) -LE e2e -E AToneBurstShows

# A minute of arbitrary input for the picture decoder, from a copy of the seeds.
fuzz: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) --target pcx_fuzzer -j $(JOBS)
	rm -rf $(ASAN_BUILD)/fuzz-corpus && cp -r tests/fuzz/corpus $(ASAN_BUILD)/fuzz-corpus
	$(ASAN_BUILD)/tests/fuzz/pcx_fuzzer -max_total_time=60 -print_final_stats=1 $(ASAN_BUILD)/fuzz-corpus

# The 64-bit Windows program and velvetstaticfog-win64.zip, cross-built with
# mingw-w64. Its libraries are cross-built once from Debian's sources and
# cached (scripts/cross-libs); the music and the frame tool the Windows
# build is compared with come from the Linux build. A library that fails to
# build stops here, not at a configure that cannot find it.
windows: build
	@scripts/install-deps windows
	prefix="$$(scripts/cross-libs windows)" && \
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DVSF_WIN64_PREFIX="$$prefix" $(DEV_OPTIONS) -DVSF_BENCH=OFF \
	  -DVSF_MUSIC_FILE=$(abspath $(BUILD))/qx-731_030321_4_tessellated.ogg \
	  -DVSF_LINUX_FRAME_TOOL=$(abspath $(BUILD))/velvetstaticfog-frame
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	@echo "Windows program packed in $(WINDOWS_BUILD)/velvetstaticfog-win64.zip"

# Its tests, through Wine, in a fresh prefix (scripts/test-windows). The
# tone-burst latency check measures SDL's timing, which Wine's does not keep.
test-windows: windows
	scripts/test-windows $(WINDOWS_BUILD) -E AToneBurstShows

# The show in a web browser: $(WEB_BUILD)/velvetstaticfog-web.zip, built with
# Debian's emscripten; its libraries are cross-built once from Debian's
# sources and cached (scripts/cross-libs). The music and the frame tool it is
# compared with come from the Linux build.
WEB_ENV = NODE_PATH=/usr/share/nodejs
web: build
	@scripts/install-deps web
	prefix="$$($(WEB_ENV) scripts/cross-libs web)" && \
	$(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/emscripten.cmake \
	  -DVSF_WEB_PREFIX="$$prefix" -DVSF_WERROR=ON -DVSF_TESTS=ON \
	  -DVSF_BENCH=OFF -DVSF_MUSIC_FILE=$(abspath $(BUILD))/qx-731_030321_4_tessellated.ogg \
	  -DVSF_LINUX_FRAME_TOOL=$(abspath $(BUILD))/velvetstaticfog-frame \
	  -DVSF_LINUX_SYNC_OFFSETS=$(abspath $(BUILD))/tests/e2e/sync_offsets
	$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)
	@echo "The page packed in $(WEB_BUILD)/velvetstaticfog-web.zip"

# A quick look: the page on http://127.0.0.1:8000/ until Ctrl-C.
serve-web: web
	python3 -m http.server --bind 127.0.0.1 --directory $(WEB_BUILD)/site 8000

# The frame tool under node against the Linux one, the layers' contract
# suites on the page's back ends and the page in headless chromium, and the
# page in chromium on a private X display with a private sound server
# (sound, sync, Escape); screenshots in $(WEB_BUILD)/Testing/web.
test-web: web
	cd $(WEB_BUILD) && $(WEB_ENV) ctest --output-on-failure

clean:
	-cmake --build $(BUILD) --target clean

distclean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(WINDOWS_BUILD) $(WEB_BUILD)
