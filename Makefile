# The two commands a newcomer needs: `make run` and `make test`. Both install what is missing first.
PRESETS := linux win32 win64
.PHONY: all deps build run test dist clean $(addprefix build-,$(PRESETS)) bench fuzz

all: build

deps:
	@scripts/install-deps

$(addprefix build-,$(PRESETS)): build-%: deps
	@cmake --preset $* >build-$*.log 2>&1 || { cat build-$*.log; rm -f build-$*.log; exit 1; }
	@rm -f build-$*.log
	@echo "== building $* =="
	@cmake --build --preset $* -- --no-print-directory

build: $(addprefix build-,$(PRESETS))

# With SIGN_CERT and SIGN_KEY (PEM files), every program, library and package is signed; SIGN_TIMESTAMP
# names a timestamp server.
dist: build
	@SIGN_CERT="$(SIGN_CERT)" SIGN_KEY="$(SIGN_KEY)" SIGN_TIMESTAMP="$(SIGN_TIMESTAMP)" scripts/make-dist

run: dist
	@scripts/run-demo

test: build
	@scripts/test-all

bench: deps
	@cmake --preset bench >/dev/null && cmake --build --preset bench --target interface_watch_benchmark
	@scripts/run-benchmark build/bench/routing/interface_watch_benchmark

# Every fuzz target for FUZZ_SECONDS (default 60) each; `make fuzz FUZZ_SECONDS=600` for longer.
fuzz:
	@scripts/install-deps fuzz
	@FUZZ_SECONDS=$(or $(FUZZ_SECONDS),60) scripts/run-fuzz

clean:
	rm -rf build dist
