# A thin layer over CMake. `make run` and `make test` do all the set-up on a
# fresh Debian 12 machine: they install what is missing, build, and run.
BUILD_DIR ?= build
TEST_DIR ?= build-asan
GENERATOR := -G Ninja

.PHONY: deps configure run build test bench fuzz clean

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DKVX_TESTS=OFF

build: configure
	cmake --build $(BUILD_DIR) --target kalvendorix

run: build
	./$(BUILD_DIR)/app/kalvendorix

# The suite runs in the AddressSanitizer and UndefinedBehaviorSanitizer build.
test: deps
	cmake -S . -B $(TEST_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKVX_SANITIZE=ON -DKVX_BENCH=OFF
	cmake --build $(TEST_DIR)
	./scripts/run-tests $(TEST_DIR)

bench: configure
	cmake --build $(BUILD_DIR)
	./scripts/run-benchmarks $(BUILD_DIR)

fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVX_FUZZ=ON -DKVX_TESTS=OFF -DKVX_BENCH=OFF -DKVX_GUI=OFF
	cmake --build build-fuzz
	./scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(TEST_DIR) build-fuzz
