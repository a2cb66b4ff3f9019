# Velmor's two everyday commands. Both install what is missing first (as root, with apt-get).
.PHONY: deps run demo test bench fuzz dist clean

deps:
	bash tools/deps.sh

run: deps
	bash tools/run.sh

# make run against the mail rig on this machine: a real send, and the mail it delivered.
demo: deps
	bash tools/demo.sh

test: deps
	bash tests/run-suites.sh

# Not part of test: VMAIL against libcurl, 200 mails each through the mail rig; start-up and the
# Log viewer under Wine, each beside its floor.
bench: deps
	bash tools/bench.sh

# Every libFuzzer target for FUZZ_SECONDS (default 60) from its seed corpus: make fuzz FUZZ_SECONDS=600
FUZZ_SECONDS ?= 60
fuzz: deps
	bash tools/fuzz.sh $(FUZZ_SECONDS)

# The Windows release: dist/velmor-<version>-win64.zip, built small and stripped in build/dist-win64.
dist: deps
	bash tools/dist.sh

clean:
	rm -rf build dist
