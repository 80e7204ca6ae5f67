// The page's sound, off the page's thread: a Worker runs the program's own
// decoder (velvetstaticfog.js and .wasm, without the show) and posts the
// decoded frames, transferred, to an AudioWorklet that plays them; the worklet
// tells the worker what it has played, so the worker keeps half a second
// decoded ahead, and tells the page, which sets it against the context's
// output timestamp (WorkletClock). The page's thread gets a copy of each
// decoded chunk for the spectrum and otherwise only reads figures. Message
// ports and transferred buffers only: it works from any static server,
// without cross-origin isolation. A track the viewer gives the page is
// decoded by the browser and handed to the worker whole, in place of the
// music file; the rest of the way is the same.
var VsfAudio = (function () {
  if (typeof document === 'undefined') return null;

  // The program's script, for the worker to load the decoder from.
  const scriptUrl = document.currentScript ? document.currentScript.src :
    new URL('velvetstaticfog.js', document.baseURI).href;

  // Runs in the AudioWorkletGlobalScope: plays the chunks as they come.
  function workletScope() {
    class MusicPlayer extends AudioWorkletProcessor {
      constructor() {
        super();
        this.chunks = [];
        this.offset = 0;       // frames of chunks[0] already played
        this.played = 0;       // stream frames played so far
        this.starved = 0;      // quanta that ran out of frames while playing
        this.playing = false;
        this.gain = 1;
        this.decoder = null;   // the worker's port
        this.quanta = 0;
        this.port.onmessage = event => {
          const message = event.data;
          if (message.decoder) {
            this.decoder = message.decoder;
            this.decoder.onmessage = chunk => this.chunks.push(chunk.data);
          }
          if (message.playing !== undefined) this.playing = message.playing;
          if (message.gain !== undefined) this.gain = message.gain;
        };
      }

      process(inputs, outputs) {
        const channels = outputs[0];
        const left = channels[0];
        const right = channels.length > 1 ? channels[1] : null;
        const frames = left.length;
        let done = 0;
        while (this.playing && done < frames && this.chunks.length > 0) {
          const chunk = this.chunks[0];
          const take = Math.min(frames - done, chunk.length / 2 - this.offset);
          for (let i = 0; i < take; ++i) {
            const at = 2 * (this.offset + i);
            left[done + i] = chunk[at] * this.gain;
            if (right) right[done + i] = chunk[at + 1] * this.gain;
          }
          done += take;
          this.offset += take;
          if (this.offset * 2 >= chunk.length) {
            this.chunks.shift();
            this.offset = 0;
          }
        }
        left.fill(0, done);
        if (right) right.fill(0, done);
        if (this.playing && done < frames && this.played > 0) ++this.starved;
        this.played += done;
        // Reports every few milliseconds: the frame after the last one
        // played, on the context's own frame count.
        if (done > 0 && ++this.quanta % 4 === 0) {
          const report = { played: this.played, endFrame: currentFrame + done,
                           starved: this.starved };
          this.port.postMessage(report);
          if (this.decoder) this.decoder.postMessage(report);
        }
        return true;
      }
    }
    registerProcessor('vsf-music', MusicPlayer);
  }

  // Runs in the Worker: the program's decoder, kept ahead of the worklet.
  function workerScope(scriptUrl) {
    let worklet = null;
    let decoder = null;      // the exported calls, once the program has loaded
    let pending = [];        // messages that came before it had
    let loop = false;
    let sent = 0;
    let played = 0;
    let ended = false;
    let leadFrames = 0;
    let chunkFrames = 0;
    let buffer = 0;
    let readChunk = null;    // the next frames, interleaved, fewer at the end

    // The program's decoder on the music file.
    function fileReader() {
      return frames => {
        const got = decoder.read(buffer, frames, loop ? 1 : 0);
        const start = buffer / 4;
        return Module['HEAPF32'].slice(start, start + 2 * Math.max(got, 0));
      };
    }

    // A track decoded whole by the page, looping as the music does.
    function trackReader(track) {
      let at = 0;
      const total = track.length / 2;
      return frames => {
        const out = new Float32Array(2 * frames);
        let got = 0;
        while (got < frames) {
          if (at >= total) {
            if (!loop || total === 0) break;
            at = 0;
          }
          const count = Math.min(frames - got, total - at);
          out.set(track.subarray(2 * at, 2 * (at + count)), 2 * got);
          got += count;
          at += count;
        }
        return out.slice(0, 2 * got);
      };
    }

    function topUp() {
      while (readChunk && worklet && !ended && sent - played < leadFrames) {
        const samples = readChunk(chunkFrames);
        const got = samples.length / 2;
        if (got > 0) {
          self.postMessage(samples);
          const copy = samples.slice();
          worklet.postMessage(copy, [copy.buffer]);
          sent += got;
        }
        if (got < chunkFrames) ended = true;
      }
    }

    function handle(message) {
      if (message.open) {
        worklet = message.port;
        worklet.onmessage = event => {
          played = event.data.played;
          topUp();
        };
        leadFrames = message.leadFrames;
        chunkFrames = message.chunkFrames;
        if (message.track) {
          readChunk = trackReader(new Float32Array(message.track));
        } else {
          // The worker's own file system holds only the music.
          Module['FS'].writeFile('music', new Uint8Array(message.bytes));
          // The page has opened the same file already; 0 leaves the worklet silent.
          buffer = decoder.open('music', message.rate, chunkFrames);
          readChunk = buffer ? fileReader() : null;
        }
      }
      if (message.loop !== undefined) {
        if (message.loop && !loop) ended = false;
        loop = message.loop;
      }
      topUp();
    }

    self.onmessage = event => {
      if (decoder) handle(event.data);
      else pending.push(event.data);
    };
    self.Module = {
      noInitialRun: true,
      locateFile: name => new URL(name, scriptUrl).href,
      onRuntimeInitialized() {
        decoder = {
          open: Module['cwrap']('vsfDecoderOpen', 'number', ['string', 'number', 'number']),
          read: Module['cwrap']('vsfDecoderRead', 'number', ['number', 'number', 'number']),
        };
        pending.forEach(handle);
        pending = [];
      },
    };
    importScripts(scriptUrl);
  }

  // A script made of one of the functions above, called with `argument`.
  function blobUrl(scope, argument) {
    const code = '(' + scope.toString() + ')(' + JSON.stringify(argument) + ');';
    return URL.createObjectURL(new Blob([code], { type: 'text/javascript' }));
  }

  const outputBufferFrames = 2048;
  let context = null;
  let workletLoaded = null;
  let node = null;
  let worker = null;
  let decoded = [];       // chunks for the page's copy of the stream, oldest first
  let decodedOffset = 0;  // samples of decoded[0] already taken
  let report = { played: 0, endFrame: 0 };
  let queued = [];        // messages for the worklet before it is ready
  let track = null;       // the viewer's track, interleaved stereo at the context's rate
  let streamStarted = null; // the stream's lead and chunk, once the program opened it
  let playing = null;     // the loop flag once the program played, else null
  let gain = 1;

  function toWorklet(message) {
    if (node) node.port.postMessage(message);
    else queued.push(message);
  }

  return {
    // False where the browser has no audio context or worklets.
    open() {
      const Context = window.AudioContext || window.webkitAudioContext;
      if (!Context || typeof AudioWorkletNode === 'undefined') return false;
      // The output's buffer: 2048 frames, long enough that a busy machine
      // does not starve the browser's output, and a whole number of render
      // quanta, which the output timestamp accounts for exactly (other sizes
      // put the picture a little late). The context runs at the output's own
      // rate, known once one is made.
      try {
        const probe = new Context({ latencyHint: 'interactive' });
        const rate = probe.sampleRate;
        probe.close().catch(() => {});
        context = new Context({ latencyHint: outputBufferFrames / rate, sampleRate: rate });
      } catch (error) {
        return false;
      }
      if (!context.audioWorklet) return false;
      return true;
    },

    sampleRate() {
      return context.sampleRate;
    },

    // Starts the worker on the music file the program has, or on the
    // viewer's track when there is one, at the context's rate.
    startStream(name, leadFrames, chunkFrames) {
      streamStarted = { name, leadFrames, chunkFrames };
      const channel = new MessageChannel();
      worker = new Worker(blobUrl(workerScope, scriptUrl));
      worker.onmessage = event => {
        if (event.data instanceof Float32Array) decoded.push(event.data);
      };
      const open = { open: true, rate: context.sampleRate, leadFrames, chunkFrames,
                     port: channel.port1 };
      if (track) {
        open.track = track.slice().buffer;
        worker.postMessage(open, [open.track, channel.port1]);
      } else {
        open.bytes = FS.readFile(name).buffer;
        worker.postMessage(open, [open.bytes, channel.port1]);
      }
      const forWorker = worker;
      const forContext = context;
      workletLoaded = workletLoaded || context.audioWorklet.addModule(blobUrl(workletScope));
      workletLoaded.then(() => {
        if (!context || worker !== forWorker) return;
        node = new AudioWorkletNode(context, 'vsf-music',
          { numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2] });
        node.port.onmessage = event => { report = event.data; };
        node.port.postMessage({ decoder: channel.port2 }, [channel.port2]);
        queued.forEach(message => node.port.postMessage(message));
        queued = [];
        node.connect(context.destination);
      }).catch(error => {
        // Closing the context aborts the load: nothing is lost then.
        if (context === forContext) console.warn('no audio worklet:', error);
      });
    },

    play(loop) {
      playing = loop;
      worker.postMessage({ loop });
      toWorklet({ playing: true });
    },

    stop() {
      playing = null;
      toWorklet({ playing: false });
    },

    setGain(volume) {
      gain = volume;
      toWorklet({ gain });
    },

    // The rate a track must have to play: the context's, or the usual
    // 44.1 kHz before there is one.
    trackRate() {
      return context ? context.sampleRate : 44100;
    },

    // Plays `stereo` (interleaved, at trackRate()) in place of the music
    // from now on, from its start; the show's stream goes on with it.
    useTrack(stereo) {
      track = stereo;
      if (!streamStarted || !context) return;
      const wasPlaying = playing;
      this.closeStream();
      this.startStream(streamStarted.name, streamStarted.leadFrames, streamStarted.chunkFrames);
      toWorklet({ gain });
      if (wasPlaying !== null) this.play(wasPlaying);
    },

    resume() {
      if (context && context.state === 'suspended') context.resume().catch(() => {});
    },

    // Copies decoded frames not yet taken into the program's memory at
    // `pointer`, at most `frames` of them; returns how many.
    takeDecoded(pointer, frames) {
      let taken = 0;
      while (taken < frames && decoded.length > 0) {
        const chunk = decoded[0];
        const count = Math.min(frames - taken, (chunk.length - decodedOffset) / 2);
        HEAPF32.set(chunk.subarray(decodedOffset, decodedOffset + 2 * count),
                    pointer / 4 + 2 * taken);
        taken += count;
        decodedOffset += 2 * count;
        if (decodedOffset >= chunk.length) {
          decoded.shift();
          decodedOffset = 0;
        }
      }
      return taken;
    },

    // The worklet's latest report and the output's timestamp, into six
    // doubles at `pointer`: played, endFrame, contextTime, performanceTime,
    // now, outputLatency.
    position(pointer) {
      const at = pointer / 8;
      HEAPF64[at] = report.played;
      HEAPF64[at + 1] = report.endFrame;
      let stamp = { contextTime: 0, performanceTime: 0 };
      if (context && context.getOutputTimestamp) stamp = context.getOutputTimestamp();
      HEAPF64[at + 2] = stamp.contextTime || 0;
      HEAPF64[at + 3] = stamp.performanceTime || 0;
      HEAPF64[at + 4] = performance.now();
      HEAPF64[at + 5] = context ? context.outputLatency || context.baseLatency || 0 : 0;
    },

    // For the tests: the context's rate and what the worklet has played.
    state() {
      return { sampleRate: context ? context.sampleRate : 0, played: report.played,
               starved: report.starved || 0,
               outputLatency: context ? context.outputLatency : 0 };
    },

    // Lets go of the stream's worker and worklet; the context stays.
    closeStream() {
      if (worker) worker.terminate();
      if (node) node.disconnect();
      worker = node = null;
      decoded = [];
      decodedOffset = 0;
      queued = [];
      report = { played: 0, endFrame: 0 };
    },

    close() {
      this.closeStream();
      if (context) context.close().catch(() => {});
      context = null;
      workletLoaded = null;
    },
  };
})();
