# A thin layer over CMake. `make run` and `make test` do all the set-up on a
# fresh Debian 12 machine: they install what is missing, build, and run.
BUILD_DIR ?= build
TEST_DIR ?= build-asan
DEB_DIR ?= build-deb
LINT_DIR ?= $(TEST_DIR)
PREFIX ?= /usr/local
GENERATOR := -G Ninja

.PHONY: deps configure run build build-tests test check-clone install deb lint bench fuzz clean

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DKVX_TESTS=OFF -DKVX_BENCH=OFF

build: configure
	cmake --build $(BUILD_DIR) --target kalvendorix

run: build
	./$(BUILD_DIR)/app/kalvendorix

# The suite runs in the AddressSanitizer and UndefinedBehaviorSanitizer build.
test: build-tests
	./scripts/run-tests $(TEST_DIR)

build-tests: deps
	cmake -S . -B $(TEST_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKVX_SANITIZE=ON -DKVX_BENCH=OFF
	cmake --build $(TEST_DIR)

# The committed state, cloned into an empty folder, passes `make test` alone.
check-clone: deps
	./scripts/check-clone

# DESTDIR, when set, is put in front of PREFIX.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# kalvendorix_<version>_<arch>.deb in $(DEB_DIR), built with Debian's hardening
# flags and optimisation (-O2) and dated by the last commit. The package strips
# its program, so no debug information is made to be thrown away.
# scripts/test-deb tries it.
deb: deps
	export SOURCE_DATE_EPOCH=$$(git log -1 --format=%ct 2>/dev/null || date +%s) DEB_BUILD_MAINT_OPTIONS=hardening=+all \
	  DEB_CXXFLAGS_MAINT_STRIP=-g && \
	  CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	  cmake -S . -B $(DEB_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
	    -DKVX_TESTS=OFF -DKVX_BENCH=OFF && \
	  cmake --build $(DEB_DIR) --target kalvendorix && \
	  cd $(DEB_DIR) && fakeroot cpack -G DEB

# clang-tidy over every project source, with the compile commands of $(LINT_DIR);
# any finding fails it. Files found clean before and unchanged since (with every
# header they include) are not checked again: see scripts/run-lint.
lint: deps
	./scripts/run-lint $(LINT_DIR)

bench: deps
	cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DKVX_TESTS=OFF -DKVX_BENCH=ON
	cmake --build $(BUILD_DIR)
	./scripts/run-benchmarks $(BUILD_DIR)

fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVX_FUZZ=ON -DKVX_TESTS=OFF -DKVX_BENCH=OFF -DKVX_GUI=OFF
	cmake --build build-fuzz
	./scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(TEST_DIR) $(DEB_DIR) build-fuzz
