# Velmor's two everyday commands. Both install what is missing first (as root, with apt-get).
.PHONY: deps run test clean

deps:
	bash tools/deps.sh

run: deps
	bash tools/run.sh

test: deps
	bash tests/run-suites.sh

clean:
	rm -rf build
