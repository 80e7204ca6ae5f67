// The page around the show (run before the program's own script): fetches
// the music into the program's files, draws the setup dialog and message
// boxes the program asks for, and says when the show has ended. The audio
// worker loads the program too, without a page: there this does nothing.
var VsfPage = typeof document === 'undefined' ? null : (function () {
  const idOk = 1;
  const idCancel = 2;

  const status = document.getElementById('status');
  let dialog = null;

  function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  }

  // A click or key on the page lets it start sound and go fullscreen.
  function unlockSound() {
    VsfAudio.resume();
  }

  // Leaving fullscreen while the show runs ends it as Escape does: where the
  // browser has no Keyboard Lock it takes the first Escape for itself.
  document.addEventListener('fullscreenchange', () => {
    if (!document.fullscreenElement && document.body.dataset.ended === undefined &&
        Module['_vsfPageEscape']) Module['_vsfPageEscape']();
  });

  function boxWindow(caption) {
    const overlay = element('div', 'overlay');
    const frame = element('div', 'window');
    frame.setAttribute('role', 'dialog');
    frame.setAttribute('aria-label', caption);
    frame.appendChild(element('div', 'caption', caption));
    overlay.appendChild(frame);
    return { overlay, frame };
  }

  function sendCommand(id) {
    dialog.commands.push(id);
    if (dialog.waiting) {
      const wake = dialog.waiting;
      dialog.waiting = null;
      wake(dialog.commands.shift());
    }
  }

  // Return is OK wherever the focus is, Escape is cancel, as in a Windows dialog.
  function dialogKey(event) {
    if (event.key === 'Enter') {
      event.preventDefault();
      unlockSound();
      sendCommand(idOk);
    } else if (event.key === 'Escape') {
      event.preventDefault();
      sendCommand(idCancel);
    }
  }

  return {
    dialogOpen(caption, width, height, fontPixels) {
      const { overlay, frame } = boxWindow(caption);
      overlay.id = 'setup-dialog';
      const client = element('div', 'client');
      client.style.width = width + 'px';
      client.style.height = height + 'px';
      client.style.fontSize = fontPixels + 'px';
      frame.appendChild(client);
      dialog = { overlay, client, boxes: new Map(), commands: [], waiting: null };
    },

    dialogAdd(id, checkBox, caption, x, y, width, height, boxOnRight, tabStop) {
      let control;
      if (checkBox) {
        control = element('label', boxOnRight ? 'check right' : 'check');
        const box = element('input');
        box.type = 'checkbox';
        box.name = caption;
        box.tabIndex = tabStop ? 0 : -1;
        box.addEventListener('change', () => sendCommand(id));
        const text = element('span', '', caption);
        if (boxOnRight) control.append(text, box);
        else control.append(box, text);
        dialog.boxes.set(id, box);
      } else {
        control = element('button', 'push', caption);
        control.type = 'button';
        control.tabIndex = tabStop ? 0 : -1;
        control.addEventListener('click', () => { unlockSound(); sendCommand(id); });
      }
      control.dataset.control = id;
      Object.assign(control.style, {
        left: x + 'px', top: y + 'px', width: width + 'px', height: height + 'px' });
      dialog.client.appendChild(control);
    },

    dialogShow() {
      document.body.appendChild(dialog.overlay);
      document.addEventListener('keydown', dialogKey, true);
      status.textContent = '';
      const first = dialog.client.querySelector('[tabindex="0"]');
      if (first) first.focus();
    },

    dialogNextCommand() {
      if (dialog.commands.length > 0) return Promise.resolve(dialog.commands.shift());
      return new Promise(resolve => { dialog.waiting = resolve; });
    },

    dialogSetChecked(id, checked) {
      const box = dialog.boxes.get(id);
      if (box) box.checked = checked;
    },

    dialogChecked(id) {
      const box = dialog.boxes.get(id);
      return box !== undefined && box.checked;
    },

    dialogClose() {
      document.removeEventListener('keydown', dialogKey, true);
      dialog.overlay.remove();
      dialog = null;
      Module['canvas'].focus();
    },

    textWidth(text, fontPixels) {
      const context = document.createElement('canvas').getContext('2d');
      context.font = fontPixels + 'px sans-serif';
      return context.measureText(text).width;
    },

    messageBox(caption, text) {
      const { overlay, frame } = boxWindow(caption);
      overlay.className += ' message-box';
      frame.appendChild(element('div', 'message', text));
      const ok = element('button', 'message-ok', 'OK');
      frame.appendChild(ok);
      document.body.appendChild(overlay);
      ok.focus();
      return new Promise(resolve => {
        const close = () => {
          document.removeEventListener('keydown', key, true);
          overlay.remove();
          resolve();
        };
        const key = event => {
          if (event.key === 'Enter' || event.key === 'Escape' || event.key === ' ') {
            event.preventDefault();
            close();
          }
        };
        ok.addEventListener('click', close);
        document.addEventListener('keydown', key, true);
      });
    },

    // With Keyboard Lock (Chromium) Escape reaches the show in fullscreen
    // instead of leaving it.
    requestFullscreen() {
      const stage = document.getElementById('stage');
      if (!stage.requestFullscreen) return;
      stage.requestFullscreen().then(() => {
        if (navigator.keyboard && navigator.keyboard.lock)
          return navigator.keyboard.lock(['Escape']);
      }).catch(() => {});
    },

    showEnded(exitCode) {
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
      document.body.dataset.ended = String(exitCode);
      status.textContent = exitCode === 1
        ? 'The show was cancelled. Reload the page to start again.'
        : 'The show has ended. Reload the page to start again.';
    },
  };
})();

// The viewer's own music, chosen or dropped beside the picture: decoded by
// the browser, mixed to stereo as it mixes for two speakers, fitted as the
// capture fits a track, and played in place of the show's music. A file the
// browser cannot decode leaves the music as it was.
var VsfOwnMusic = typeof document === 'undefined' ? null : (function () {
  const zone = document.getElementById('own-music');
  const input = document.getElementById('own-music-file');
  const said = document.getElementById('own-music-status');
  if (!zone || !input || !said) return null;

  async function play(file) {
    if (!Module['_vsfPageFitTrack']) {
      said.textContent = 'The show is still loading: try again in a moment.';
      return;
    }
    said.textContent = `Decoding "${file.name}"…`;
    const rate = VsfAudio.trackRate();
    let decoded;
    try {
      const bytes = await file.arrayBuffer();
      decoded = await new OfflineAudioContext(2, 1, rate).decodeAudioData(bytes);
    } catch (error) {
      said.textContent = `"${file.name}" cannot be played: this browser cannot decode it. ` +
        'The show\'s own music plays on.';
      zone.dataset.state = 'refused';
      return;
    }
    const mixer = new OfflineAudioContext(2, Math.max(decoded.length, 1), rate);
    const source = mixer.createBufferSource();
    source.buffer = decoded;
    source.connect(mixer.destination);
    source.start();
    const stereo = await mixer.startRendering();
    const left = stereo.getChannelData(0);
    const right = stereo.getChannelData(1);
    const frames = stereo.length;
    const interleaved = new Float32Array(2 * frames);
    for (let i = 0; i < frames; ++i) {
      interleaved[2 * i] = left[i];
      interleaved[2 * i + 1] = right[i];
    }
    // The program's memory may grow for the buffer: HEAPF32 is read after.
    const pointer = Module['_vsfPageTrackBuffer'](frames);
    HEAPF32.set(interleaved, pointer / 4);
    const gain = Module['_vsfPageFitTrack'](rate, 1);
    VsfAudio.useTrack(interleaved);
    Module['_vsfPageRestartStream']();
    const decibels = 20 * Math.log10(gain);
    said.textContent = `Playing "${file.name}", ${(frames / rate).toFixed(1)} s; ` +
      `spectrum gain ${decibels >= 0 ? '+' : ''}${decibels.toFixed(1)} dB.`;
    zone.dataset.state = 'playing';
  }

  input.addEventListener('change', () => {
    if (input.files.length > 0) play(input.files[0]);
  });
  zone.addEventListener('dragover', event => {
    event.preventDefault();
    zone.classList.add('over');
  });
  zone.addEventListener('dragleave', () => zone.classList.remove('over'));
  zone.addEventListener('drop', event => {
    event.preventDefault();
    zone.classList.remove('over');
    const files = event.dataTransfer ? event.dataTransfer.files : [];
    if (files.length > 0) play(files[0]);
  });
  return { play };
})();

if (VsfPage) {
  Module['canvas'] = document.getElementById('canvas');
  // SDL draws through this context (a canvas keeps its first one). Without
  // desynchronized, chromium presents a frame one refresh later now and then,
  // for a whole run at a time; with it the picture reaches the screen a few
  // milliseconds after it is drawn, in step with the sound, as on a desktop.
  Module['canvas'].getContext('2d', { desynchronized: true });
  // The music stands beside the page; without it the show runs silent, as
  // it does without the file on a desktop.
  Module['preRun'] = [function () {
    const name = 'qx-731_030321_4_tessellated.ogg';
    addRunDependency('music');
    fetch(name)
      .then(response => (response.ok ? response.arrayBuffer() : null))
      .then(bytes => { if (bytes) FS.writeFile(name, new Uint8Array(bytes)); })
      .catch(() => {})
      .finally(() => removeRunDependency('music'));
  }];
}
