# Wraps the compiled module and the worker's code in one function that the
# page loads with a plain <script> and starts as a worker from a Blob URL:
# opened from file://, a page may neither fetch nor start a worker script.
# cmake -DMODULE=zemrik-web.js -DWORKER=worker.js -DOUTPUT=engine.js -P WrapEngine.cmake
file(READ ${MODULE} module)
file(READ ${WORKER} worker)
file(WRITE ${OUTPUT} "// Generated: the engine and its worker, run only inside the worker.\n"
                     "function zemrikWorkerMain() {\n${module}\n${worker}\n}\n")
