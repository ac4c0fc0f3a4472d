# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
SAN_BUILD  ?= build-san
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps build build-san run test test-unit test-san bench package install format clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_WERROR=ON $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

# AddressSanitizer + UndefinedBehaviorSanitizer build with clang; it also builds the fuzzers.
build-san: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVO_WERROR=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTARVO_SANITIZE=ON -DTARVO_FUZZ=ON \
	  -DTARVO_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/tarvo-iconworks $(FILE)

test-unit: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-san: build-san
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

test: test-unit test-san

bench: build
	@for b in $(BUILD)/bench/bench_*; do \
	  case "$$b" in *bench_modules|*bench_iconsize) continue;; esac; [ -x "$$b" ] && "$$b"; done
	TARVO_ICONTOOL=$(BUILD)/cli/tarvo-icontool $(BUILD)/bench/bench_iconsize
	@[ -f $(BUILD)/bench/large.dll ] || bench/make-large-dll.sh $(BUILD)/bench/large.dll
	TARVO_LARGE_DLL=$(BUILD)/bench/large.dll TARVO_ICONTOOL=$(BUILD)/cli/tarvo-icontool \
	  $(BUILD)/bench/bench_modules
	/usr/bin/python3 bench/compare-peers.py $(BUILD)/cli/tarvo-icontool

# A Debian package of the release build: build/tarvo-iconworks_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# Installs under PREFIX (default /usr/local; DESTDIR stages it elsewhere).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
